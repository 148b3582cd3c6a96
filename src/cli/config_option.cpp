#include "cli/config_option.h"

#include <algorithm>
#include <cctype>

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
    if (value == "rc") {
      d.osc = Osc::RC;
    } else if (value == "hs") {
      d.osc = Osc::HS;
    } else if (value == "xt") {
      d.osc = Osc::XT;
    } else if (value == "lp") {
      d.osc = Osc::LP;
    } else {
      return bad + " (rc, hs, xt o lp)";
    }
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
    if (name == "wrt") target = &d.wrtOn;
    if (target == nullptr) {
      return "--config: campo desconocido \"" + std::string(name) +
             "\" (osc, cp, wdt, pwrte, boden, lvp, cpd, wrt)";
    }
    if (!OnOff(value, *target)) return bad + " (on u off)";
  }
  return {};
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
  const bool f87x = *family != Family::F84;
  const bool fourWayCp = *family == Family::F873 || *family == Family::F876;
  for (const std::string& name : choice.fields) {
    const bool only87x = name == "boden" || name == "lvp" || name == "cpd" || name == "wrt";
    if (only87x && !f87x) return "El campo " + name + " no existe en este PIC";
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
