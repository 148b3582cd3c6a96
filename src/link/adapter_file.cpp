// Adapter files: the user's one-adapter files and the table shipped with the program share one
// syntax, read here.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "link/adapters.h"
#include "link/ini_file.h"

namespace daxwel {

namespace {

struct LineInfo {
  Line line;
  std::string_view key;
  std::string_view description;
};

// Key order is the order in which files and listings show the lines.
constexpr LineInfo kLineInfo[] = {
    {Line::kVpp, "vpp", "VPP (MCLR a 13 V)"},
    {Line::kVdd, "vdd", "VDD del PIC (5 V)"},
    {Line::kClock, "clock", "reloj (RB6)"},
    {Line::kDataOut, "datao", "salida de datos (RB7)"},
    {Line::kPgm, "pgm", "PGM (LVP), siempre apagada"},
    {Line::kRun, "run", "modo RUN"},
    {Line::kEnable, "enable", "habilitación de los buffers"},
    {Line::kDataEnable, "dataenable", "habilitación del buffer de datos"},
    {Line::kDirection, "dir", "dirección del buffer de datos (lectura)"},
    {Line::kMclrLow, "mclrlow", "MCLR a masa"},
    {Line::kConnect, "connect", "relé que conecta el PIC"},
    {Line::kLed, "led", "LED"},
};
constexpr std::string_view kDataInKey = "datai";
constexpr std::string_view kPresenceKey = "presence";
constexpr std::string_view kDelayKey = "delay";
constexpr std::string_view kParentKey = "parent";
constexpr std::string_view kDescriptionKey = "description";
constexpr std::string_view kSourceKey = "source";
// The supply the adapter gives: the VPP on MCLR in volts, and a VDD limited by a series
// resistor or an adjustable supply rather than a fixed 5 V.
constexpr std::string_view kVppVoltsKey = "vpp-voltios";
constexpr std::string_view kVddLimitedKey = "vdd-limitada";
constexpr int kLeastVppVolts = 8;
constexpr int kMostVppVolts = 14;
constexpr std::pair<bool, std::string_view> kYesNo[] = {{true, "sí"}, {true, "si"}, {false, "no"}};
// The one section a user's file may name.
constexpr std::string_view kUserSection = "adaptador";

constexpr std::pair<Presence, std::string_view> kPresenceNames[] = {
    {Presence::kPattern, "pattern"},
    {Presence::kLoopback, "loopback"},
    {Presence::kNone, "none"},
};

std::optional<int> ParseInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

struct Entry {
  std::string key;
  std::string value;
  int line = 0;
};

struct Section {
  std::string name;
  int line = 0;  // of its [name]; 0 for a user's file
  std::vector<Entry> entries;

  const Entry* Find(std::string_view key) const {
    for (const Entry& entry : entries) {
      if (entry.key == key) return &entry;
    }
    return nullptr;
  }
};

// Names go on command lines and in listings read word by word.
bool GoodName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '+' || c == '-';
  });
}

constexpr IniSyntax kAdapterSyntax{
    .inlineComments = true,
    .separators = "=:",
    .maxLine = 197,  // the longest these files have always been allowed
    .skipBom = true,
    .blanks = " \t\n\v\f\r",
    .badLine = "línea no válida (se espera clave=valor, o un comentario con # o ;)"};

// `named`: every key belongs to a [name] section (the shipped table); otherwise the file is
// one adapter, its keys bare or under [adaptador].
std::string ReadSections(std::string_view text, const std::string& file, bool named,
                         std::vector<Section>& sections) {
  std::vector<Section> read;
  if (!named) read.push_back({});
  std::string header;  // in a user's file, the section its keys stand under
  IniFile ini;
  ini.onSection = [&](std::string_view line) -> std::string {
    const std::size_t end = line.find(']');
    if (end == std::string_view::npos) return std::string(kAdapterSyntax.badLine);
    const std::string name(line.substr(1, end - 1));
    if (!named) {
      header = name;
      return {};
    }
    for (const Section& seen : read) {
      if (seen.name == name) {
        return "[" + name + "] ya se dio en la línea " + std::to_string(seen.line);
      }
    }
    if (!GoodName(name)) {
      return "[" + name +
             "]: el nombre de un adaptador lleva solo letras, números, '.', '_', '+' y '-'";
    }
    read.push_back({name, ini.Line(), {}});
    ini.ForgetKeys();
    return {};
  };
  ini.onKey = [&](const std::string& key, const std::string& value) -> std::string {
    if (!named && !header.empty() && header != kUserSection) {
      return "sección desconocida [" + header + "] (solo [adaptador])";
    }
    if (read.empty()) return "clave fuera de una sección (cada adaptador empieza con [nombre])";
    if (std::string repeated = ini.Repeated(key); !repeated.empty()) return repeated;
    read.back().entries.push_back({key, value, ini.Line()});
    return {};
  };
  if (std::string problem = ini.Read(text, file, kAdapterSyntax); !problem.empty()) {
    return problem;
  }
  sections = std::move(read);
  return {};
}

// One section made into an adapter: its parent's keys, then its own.
struct AdapterBuilder {
  const std::string& file;
  bool shipped;
  AdapterPreset adapter;
  std::map<int, std::string> pinUse;  // pin -> the key on it and where it was given
  std::string error;

  bool Fail(int at, const std::string& text) {
    if (error.empty()) error = file + ":" + std::to_string(at) + ": " + text;
    return false;
  }

  // The parent's pins stay taken unless this section gives their keys again.
  void Inherit(const AdapterPreset& parent, const Section& own) {
    adapter = parent;
    const auto keep = [&](std::string_view key, const Pin& pin) {
      if (pin.Wired() && own.Find(key) == nullptr) {
        // Appended piece by piece: GCC 12 misreads "lit" + string as an overlapping copy.
        std::string& use = pinUse[pin.number];
        use.assign("\"").append(key).append("\" (heredada de ").append(parent.name).append(")");
      }
    };
    for (const LineInfo& info : kLineInfo) keep(info.key, parent.wiring[info.line]);
    keep(kDataInKey, parent.wiring.dataIn);
  }

  bool ApplyPresence(const Entry& entry) {
    for (const auto& [presence, word] : kPresenceNames) {
      if (entry.value == word) {
        adapter.wiring.presence = presence;
        return true;
      }
    }
    return Fail(entry.line, "presence=" + entry.value + ": se espera pattern, loopback o none");
  }

  bool ApplyDelay(const Entry& entry) {
    const auto us = ParseInt(entry.value);
    if (!us || *us < 0 || *us > kMaxExtraHalfPeriodUs) {
      return Fail(entry.line, "delay=" + entry.value + ": se esperan microsegundos, de 0 a " +
                                  std::to_string(kMaxExtraHalfPeriodUs));
    }
    adapter.extraHalfPeriodUs = *us;
    return true;
  }

  bool ApplyVppVolts(const Entry& entry) {
    const auto volts = ParseInt(entry.value);
    if (!volts || *volts < kLeastVppVolts || *volts > kMostVppVolts) {
      return Fail(entry.line, std::string(kVppVoltsKey) + "=" + entry.value +
                                  ": se esperan los voltios que el adaptador aplica en MCLR, de " +
                                  std::to_string(kLeastVppVolts) + " a " +
                                  std::to_string(kMostVppVolts));
    }
    adapter.wiring.vppVolts = *volts;
    return true;
  }

  bool ApplyVddLimited(const Entry& entry) {
    for (const auto& [limited, word] : kYesNo) {
      if (entry.value == word) {
        adapter.wiring.vddLimited = limited;
        return true;
      }
    }
    return Fail(entry.line, std::string(kVddLimitedKey) + "=" + entry.value +
                                ": se espera sí (VDD con resistencia en serie o fuente "
                                "regulable) o no (5 V fijos)");
  }

  bool UnknownKey(const Entry& entry) {
    std::string keys;
    for (const LineInfo& candidate : kLineInfo) keys += std::string(candidate.key) + ", ";
    for (std::string_view key : {kDataInKey, kPresenceKey, kDelayKey, kVppVoltsKey, kVddLimitedKey,
                                 kParentKey, kDescriptionKey}) {
      keys += std::string(key) + ", ";
    }
    return Fail(entry.line,
                "clave desconocida \"" + entry.key + "\" (" + keys + std::string(kSourceKey) + ")");
  }

  bool PinKey(const Entry& entry) {
    const LineInfo* info = nullptr;
    for (const LineInfo& candidate : kLineInfo) {
      if (entry.key == candidate.key) info = &candidate;
    }
    const bool input = entry.key == kDataInKey;
    if (info == nullptr && !input) return UnknownKey(entry);
    const auto number = ParseInt(entry.value);
    if (!number || *number == 0) {
      return Fail(entry.line, entry.key + "=" + entry.value +
                                  ": se espera el número de pata del conector (DB-25), con - si "
                                  "la señal se activa con la pata en 0 V");
    }
    const int pin = *number < 0 ? -*number : *number;
    const auto pin8 = static_cast<std::uint8_t>(pin > 255 ? 0 : pin);
    if (input && !IsInputPin(pin8)) {
      return Fail(entry.line, "la pata " + std::to_string(pin) +
                                  " no es una entrada del puerto (entradas: 10, 11, 12, 13 y 15)");
    }
    if (!input && !IsOutputPin(pin8)) {
      return Fail(entry.line, "la pata " + std::to_string(pin) +
                                  " no es una salida del puerto (salidas: 1 a 9, 14, 16 y 17)");
    }
    if (auto used = pinUse.find(pin); used != pinUse.end()) {
      return Fail(entry.line, "la pata " + std::to_string(pin) + " ya lleva " + used->second);
    }
    pinUse[pin] = "\"" + entry.key + "\" (línea " + std::to_string(entry.line) + ")";
    const Pin p{pin8, *number < 0};
    (input ? adapter.wiring.dataIn : adapter.wiring[info->line]) = p;
    return true;
  }

  bool Apply(const Entry& entry) {
    if (entry.key == kParentKey) return true;  // the caller's
    if (entry.key == kDescriptionKey) {
      adapter.title = entry.value;
      return true;
    }
    if (entry.key == kSourceKey) {
      adapter.source = entry.value;
      return true;
    }
    if (entry.key == kPresenceKey) return ApplyPresence(entry);
    if (entry.key == kDelayKey) return ApplyDelay(entry);
    if (entry.key == kVppVoltsKey) return ApplyVppVolts(entry);
    if (entry.key == kVddLimitedKey) return ApplyVddLimited(entry);
    return PinKey(entry);
  }

  // The lines the protocol needs; the presence pattern only where the program ships it.
  void Check(const Section& section) {
    std::string missing;
    for (Line line : {Line::kVpp, Line::kClock, Line::kDataOut}) {
      if (!adapter.wiring.Has(line)) missing += std::string(LineKey(line)) + ", ";
    }
    if (!adapter.wiring.dataIn.Wired()) missing += std::string(kDataInKey) + ", ";
    if (!missing.empty()) {
      missing.resize(missing.size() - 2);
      const std::string text = "falta " + missing + " (obligatorias: vpp, clock, datao y datai)";
      error = shipped
                  ? file + ":" + std::to_string(section.line) + ": [" + section.name + "]: " + text
                  : file + ": " + text;
      return;
    }
    const Entry* presence = section.Find(kPresenceKey);
    if (!shipped && presence != nullptr && adapter.wiring.presence == Presence::kPattern) {
      Fail(presence->line,
           "presence=pattern es solo para el adaptador de Daxwel (use loopback o none)");
    }
  }
};

std::string BuildAdapter(const Section& section, const std::string& file,
                         const AdapterPreset* parent, bool shipped, AdapterPreset& out) {
  AdapterBuilder builder{file, shipped, {}, {}, {}};
  builder.adapter.wiring.presence = Presence::kNone;
  if (parent != nullptr) builder.Inherit(*parent, section);
  builder.adapter.name = section.name;
  for (const Entry& entry : section.entries) {
    if (!builder.Apply(entry)) return builder.error;
  }
  builder.Check(section);
  if (!builder.error.empty()) return builder.error;
  out = builder.adapter;
  return {};
}

// The shipped sections, each built once its parent is, wherever the parent stands in the file.
struct TableBuilder {
  const std::string& file;
  const std::vector<Section>& sections;
  std::vector<std::optional<AdapterPreset>> built;
  std::vector<bool> visiting;
  std::vector<std::string> chain;  // the sections being built, child after parent

  std::optional<std::size_t> IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < sections.size(); ++i) {
      if (sections[i].name == name) return i;
    }
    return std::nullopt;
  }

  std::string Cycle(std::string_view back) const {
    std::string text;
    for (const std::string& name : chain) text += name + " → ";
    return text + std::string(back);
  }

  std::string Build(std::size_t i) {
    if (built[i]) return {};
    const Section& section = sections[i];
    visiting[i] = true;
    chain.push_back(section.name);
    const AdapterPreset* parent = nullptr;
    std::string problem;
    if (const Entry* named = section.Find(kParentKey)) {
      const std::string head =
          file + ":" + std::to_string(named->line) + ": parent=" + named->value;
      const auto j = IndexOf(named->value);
      if (!j) {
        problem = head + ": no hay un adaptador [" + named->value + "] en este archivo";
      } else if (visiting[*j]) {
        problem = head + ": la herencia forma un ciclo (" + Cycle(named->value) + ")";
      } else {
        problem = Build(*j);
        if (problem.empty()) parent = &*built[*j];
      }
    }
    chain.pop_back();
    visiting[i] = false;
    if (!problem.empty()) return problem;
    AdapterPreset preset;
    problem = BuildAdapter(section, file, parent, true, preset);
    if (problem.empty()) built[i] = std::move(preset);
    return problem;
  }
};

}  // namespace

std::string ParseAdapterTable(std::string_view text, std::string_view fileName,
                              std::vector<AdapterPreset>& presets) {
  const std::string file(fileName);
  std::vector<Section> sections;
  if (std::string problem = ReadSections(text, file, true, sections); !problem.empty()) {
    return problem;
  }
  if (sections.empty()) return file + ": no trae ningún adaptador";
  TableBuilder table{file, sections, {}, {}, {}};
  table.built.resize(sections.size());
  table.visiting.resize(sections.size());
  std::vector<AdapterPreset> all;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (std::string problem = table.Build(i); !problem.empty()) return problem;
    all.push_back(*table.built[i]);
  }
  presets = std::move(all);
  return {};
}

std::string ParseAdapterFile(std::string_view text, std::string_view fileName,
                             const AdapterTable& shipped, AdapterPreset& adapter) {
  const std::string file(fileName);
  std::vector<Section> sections;
  if (std::string problem = ReadSections(text, file, false, sections); !problem.empty()) {
    return problem;
  }
  Section& own = sections.front();
  own.name = file;
  const AdapterPreset* parent = nullptr;
  if (const Entry* named = own.Find(kParentKey)) {
    const std::string head = file + ":" + std::to_string(named->line) + ": parent=" + named->value;
    if (!shipped.problem.empty()) return head + ": " + shipped.problem;
    for (const AdapterPreset& preset : shipped.presets) {
      if (preset.name == named->value) parent = &preset;
    }
    if (parent == nullptr) {
      return head + ": no es un adaptador de " + shipped.file.string() +
             " (vea daxwel-cli adapters)";
    }
  }
  return BuildAdapter(own, file, parent, false, adapter);
}

std::string_view LineKey(Line line) {
  for (const LineInfo& info : kLineInfo) {
    if (info.line == line) return info.key;
  }
  return {};
}

std::string_view LineDescription(Line line) {
  for (const LineInfo& info : kLineInfo) {
    if (info.line == line) return info.description;
  }
  return {};
}

std::string DescribeWiring(const Wiring& wiring, int extraHalfPeriodUs) {
  std::string text;
  auto add = [&](std::string_view key, const Pin& pin) {
    if (!pin.Wired()) return;
    if (!text.empty()) text += ' ';
    text += std::string(key) + "=" + (pin.inverted ? "-" : "") + std::to_string(pin.number);
  };
  for (const LineInfo& info : kLineInfo) {
    add(info.key, wiring[info.line]);
    if (info.line == Line::kDataOut) add(kDataInKey, wiring.dataIn);
  }
  for (const auto& [presence, word] : kPresenceNames) {
    if (presence == wiring.presence) text += " presence=" + std::string(word);
  }
  if (extraHalfPeriodUs != 0) text += " delay=" + std::to_string(extraHalfPeriodUs);
  if (wiring.vppVolts)
    text += " " + std::string(kVppVoltsKey) + "=" + std::to_string(*wiring.vppVolts);
  if (wiring.vddLimited) text += " " + std::string(kVddLimitedKey) + "=sí";
  return text;
}

}  // namespace daxwel
