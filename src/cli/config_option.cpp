#include "cli/config_option.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

#include "config/family.h"
#include "image/hex_image.h"

namespace daxwel::cli {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsHexWord(std::string_view text, int& value) {
  if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return false;
  value = 0;
  for (char c : text.substr(2)) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = value * 16 + (std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return true;
}

// on|off for the two-button groups.
bool OnOff(std::string_view value, bool& on) {
  if (value == "on") {
    on = true;
  } else if (value == "off") {
    on = false;
  } else {
    return false;
  }
  return true;
}

std::string ParseField(std::string_view name, std::string_view value, ConfigChoice& choice) {
  const std::string bad =
      "--config: valor \"" + std::string(value) + "\" no válido para " + std::string(name);
  DialogState& d = choice.dialog;
  if (name == "osc") {
    // rcclk is the 16F62XA's name for what the other parts call rc.
    static constexpr std::pair<std::string_view, Osc> kOscillators[] = {
        {"rc", Osc::RC},
        {"hs", Osc::HS},
        {"xt", Osc::XT},
        {"lp", Osc::LP},
        {"ec", Osc::EC},
        {"intio", Osc::IntoscIO},
        {"intclk", Osc::IntoscClkout},
        {"rcio", Osc::RcIO},
        {"rcclk", Osc::RC},
    };
    const auto found = std::find_if(std::begin(kOscillators), std::end(kOscillators),
                                    [&](const auto& entry) { return entry.first == value; });
    if (found == std::end(kOscillators)) {
      return bad + " (rc, hs, xt, lp; 16F62XA también ec, intio, intclk, rcio, rcclk)";
    }
    d.osc = found->second;
    choice.oscValue = std::string(value);
  } else if (name == "wrt") {
    if (value == "256") {
      d.wrtProtect = WrtProtect::First256;
    } else if (value == "quarter") {
      d.wrtProtect = WrtProtect::Quarter;
    } else if (value == "half") {
      d.wrtProtect = WrtProtect::Half;
    } else if (!OnOff(value, d.wrtOn)) {
      return bad + " (on u off; 16F87XA: off, 256, quarter o half)";
    }
    choice.wrtValue = std::string(value);
  } else if (name == "cp") {
    if (value == "off") {
      d.cp = Cp::Off;
    } else if (value == "on" || value == "all") {
      d.cp = Cp::All;
    } else if (value == "half") {
      d.cp = Cp::Half;
    } else if (value == "top") {
      d.cp = Cp::Top;
    } else {
      return bad + " (off, on, all, half o top)";
    }
    choice.cpValue = std::string(value);
  } else {
    bool* target = nullptr;
    if (name == "wdt") target = &d.wdteOn;
    if (name == "pwrte") target = &d.pwrteOn;
    if (name == "boden") target = &d.bodenOn;
    if (name == "lvp") target = &d.lvpOn;
    if (name == "cpd") target = &d.cpdOn;
    if (name == "debug") target = &d.debugOn;
    if (name == "mclre") target = &d.mclreOn;
    if (target == nullptr) {
      return "--config: campo desconocido \"" + std::string(name) +
             "\" (osc, cp, wdt, pwrte, boden, lvp, cpd, wrt, debug, mclre)";
    }
    if (!OnOff(value, *target)) return bad + " (on u off)";
  }
  return {};
}

// The groups of each family's dialog, by their --config names.
bool HasField(Family family, std::string_view name) {
  if (name == "osc" || name == "cp" || name == "wdt" || name == "pwrte") return true;
  if (name == "boden" || name == "lvp" || name == "cpd") return family != Family::F84;
  if (name == "wrt") return family != Family::F84 && family != Family::F62XA;
  if (name == "debug") return family == Family::F87XA;
  if (name == "mclre") return family == Family::F62XA;
  return false;
}

}  // namespace

std::string ParseConfigOption(std::string_view text, ConfigChoice& choice) {
  choice = ConfigChoice{};
  const std::string lower = Lower(text);
  if (lower == "file") return {};
  if (IsHexWord(lower, choice.word)) {
    if (choice.word > 0x3FFF)
      return "--config: la palabra de configuración tiene 14 bits (0x0000 a 0x3FFF)";
    choice.kind = ConfigChoice::Kind::Word;
    return {};
  }
  if (lower.find('=') == std::string::npos) {
    return "--config: se espera file, 0xHHHH o CAMPO=VALOR,... (\"" + std::string(text) + "\")";
  }

  choice.kind = ConfigChoice::Kind::Fields;
  choice.dialog.chkFromFile = false;
  std::string_view rest = lower;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const std::size_t eq = item.find('=');
    if (item.empty() || eq == std::string_view::npos || eq == 0 || eq + 1 == item.size()) {
      return "--config: se espera CAMPO=VALOR y se encontró \"" + std::string(item) + "\"";
    }
    const std::string name(item.substr(0, eq));
    if (std::find(choice.fields.begin(), choice.fields.end(), name) != choice.fields.end()) {
      return "--config: el campo " + name + " está repetido";
    }
    if (std::string problem = ParseField(name, item.substr(eq + 1), choice); !problem.empty())
      return problem;
    choice.fields.push_back(name);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return {};
}

std::string CheckConfigForModel(const ConfigChoice& choice, int modelIndex) {
  if (choice.kind != ConfigChoice::Kind::Fields) return {};
  const auto family = FamilyOfIndex(modelIndex);
  if (!family) return "No hay un modelo para la configuración";
  const bool fourWayCp = *family == Family::F873 || *family == Family::F876;
  for (const std::string& name : choice.fields) {
    if (!HasField(*family, name)) return "El campo " + name + " no existe en este PIC";
  }
  const bool eightOscillators = *family == Family::F62XA;
  const bool twoBitOsc = choice.oscValue.empty() || choice.oscValue == "rc" ||
                         choice.oscValue == "hs" || choice.oscValue == "xt" ||
                         choice.oscValue == "lp";
  if (!twoBitOsc && !eightOscillators) {
    return "osc=" + choice.oscValue + " no existe en este PIC (rc, hs, xt o lp)";
  }
  if (!choice.wrtValue.empty()) {
    // The 16F87X has one write-enable bit; the 16F87XA protects a range (off = no range).
    const bool rangeFamily = *family == Family::F87XA;
    const bool rangeValue = choice.wrtValue != "on";
    const bool onOff = choice.wrtValue == "on" || choice.wrtValue == "off";
    if (rangeFamily ? !rangeValue : !onOff) {
      return "wrt=" + choice.wrtValue + " no existe en este PIC (" +
             (rangeFamily ? "off, 256, quarter o half" : "on u off") + ")";
    }
  }
  if (!choice.cpValue.empty() && choice.cpValue != "off") {
    const bool wantsFourWay = choice.cpValue != "on";
    if (wantsFourWay != fourWayCp) {
      return "cp=" + choice.cpValue + " no existe en este PIC (" +
             (fourWayCp ? "off, all, half o top" : "off u on") + ")";
    }
  }
  return {};
}

std::string ConfigSourceFor(const ConfigChoice& choice, int modelIndex) {
  switch (choice.kind) {
    case ConfigChoice::Kind::FromFile:
      return std::string(kFromFile);
    case ConfigChoice::Kind::Word:
      return ToBitString(choice.word);
    case ConfigChoice::Kind::Fields:
      break;
  }
  return SetConfigWord(modelIndex, choice.dialog);
}

}  // namespace daxwel::cli
