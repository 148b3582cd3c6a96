#include "link/adapters.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "link/ppdev_port.h"
#include "link/shipped_data.h"

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

constexpr std::pair<Presence, std::string_view> kPresenceNames[] = {
    {Presence::kPattern, "pattern"},
    {Presence::kLoopback, "loopback"},
    {Presence::kNone, "none"},
};

Pin P(int n) { return Pin{static_cast<std::uint8_t>(n < 0 ? -n : n), n < 0}; }

// Pins as the peers' users write them: negative when the signal is asserted at a low pin.
Wiring Map(std::initializer_list<std::pair<Line, int>> lines, int dataIn, Presence presence) {
  Wiring w;
  for (const auto& [line, pin] : lines) w[line] = P(pin);
  w.dataIn = P(dataIn);
  w.presence = presence;
  return w;
}

using L = Line;
constexpr Presence kLoop = Presence::kLoopback;
constexpr Presence kNoTest = Presence::kNone;

constexpr std::string_view kPiklab = "piklab y pikdev";
constexpr std::string_view kTaitSources = "piklab, pikdev y WxPic (coinciden)";

std::vector<AdapterPreset> MakePresets() {
  // Tait-style maps shared by several designs.
  const auto tait7407 = [] {
    return Map({{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}}, 10, kLoop);
  };
  const auto tait7406 = [] {
    return Map({{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}}, -10, kLoop);
  };
  return {
      {"daxwel", "Adaptador de Daxwel (VDD siempre encendido)", "el adaptador propio de Daxwel",
       DefaultWiring()},
      {"tait-7407", "Tait clásico (7407, PNP)", kTaitSources, tait7407()},
      {"tait-7406", "Tait 7406 (inversor), PNP", kTaitSources, tait7406()},
      {"tait-7406-4066", "Tait 7406 + 4066", "WxPic",
       Map({{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, -3}, {L::kDataOut, -2}}, -10, kLoop)},
      {"tait-7407-4066", "Tait 7407 + 4066", "WxPic",
       Map({{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, 3}, {L::kDataOut, 2}}, 10, kLoop)},
      {"p16pro40", "P16PRO40 clásico", kPiklab, tait7406()},
      {"p16pro40-7407", "P16PRO40 con 7407", kPiklab, tait7407()},
      {"p16pro40-vpp40", "P16PRO40-VPP40 clásico", kPiklab,
       Map({{L::kVpp, 6}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}}, -10, kLoop)},
      {"p16pro40-vpp40-7407", "P16PRO40-VPP40 con 7407", kPiklab,
       Map({{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}}, 10, kLoop)},
      {"epic", "EPIC / EPIC Plus (microEngineering Labs)",
       "odyssey, flP5, piklab y pikdev (coinciden; PGM solo en odyssey)",
       Map({{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}, {L::kPgm, -6}}, 10,
           kLoop)},
      {"propic2-vpp1", "ProPIC 2, puente VPP1", "piklab, pikdev y odyssey (coinciden)", tait7407()},
      {"propic2-vpp2", "ProPIC 2, puente VPP2", "piklab, pikdev y odyssey (coinciden)",
       Map({{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}}, 10, kLoop)},
      {"monty-robot", "Monty-Robot", kPiklab,
       Map({{L::kVpp, -5}, {L::kVdd, 4}, {L::kClock, 2}, {L::kDataOut, 3}}, 10, kLoop)},
      {"olimex", "Olimex (puerto paralelo)", "odyssey",
       Map({{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}}, -10, kLoop)},
      {"vasco", "Vasco", "odyssey",
       Map({{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, -3}, {L::kDataOut, -2}, {L::kPgm, -5}}, -10,
           kLoop)},
      {"schaer", "Henk Schaer (entrada de datos en BUSY)", "odyssey",
       Map({{L::kVpp, 4}, {L::kVdd, -5}, {L::kClock, 3}, {L::kDataOut, 2}}, 11, kLoop)},
      {"an589", "Microchip AN589 (buffers con habilitación, MCLR a masa)", "WxPic",
       Map({{L::kVpp, 5},
            {L::kClock, 3},
            {L::kDataOut, 2},
            {L::kEnable, -7},
            {L::kDataEnable, -4},
            {L::kMclrLow, 6}},
           10, kNoTest)},
      {"piccolo", "Asix Piccolo / Piccolo Grande (dirección del buffer de datos)", kPiklab,
       Map({{L::kVpp, -6}, {L::kVdd, -7}, {L::kClock, -5}, {L::kDataOut, -3}, {L::kDirection, -2}},
           -10, kNoTest)},
      {"pip84-v2", "PIP84 (SM6LKM) versión 2", "WxPic",
       Map({{L::kVpp, -6},
            {L::kVdd, -2},
            {L::kClock, 5},
            {L::kDataOut, 4},
            {L::kConnect, -9},
            {L::kLed, -3}},
           -10, kNoTest)},
      {"sm6lkm-flash-v1", "SM6LKM PIC Flash programmer V1",
       "WxPic (y su archivo de ejemplo SampleInterfaceOnLptPort.xml)",
       Map({{L::kVpp, -6},
            {L::kVdd, 2},
            {L::kClock, 5},
            {L::kDataOut, 4},
            {L::kConnect, -9},
            {L::kLed, -3}},
           -10, kNoTest)},
      {"el-cheapo", "El Cheapo de Myke Predko (salidas en el registro de control)",
       "piklab y pikdev (\"Myke's EL Cheapo\"; su \"El Cheapo classic\", sin probar, invierte "
       "reloj y datos)",
       Map({{L::kVpp, 16}, {L::kClock, 1}, {L::kDataOut, 17}}, 13, kNoTest)},
  };
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::optional<int> ParseInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

// The line as the file format means it: leading blanks are layout, never inih's continuation
// of the line before, and "#" or ";" at the start or after a blank begins a comment.
std::string Uncommented(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  line.remove_prefix(first);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const bool marker = line[i] == '#' || line[i] == ';';
    if (marker && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return std::string(line.substr(0, i));
    }
  }
  return std::string(line);
}

// inih reads through this, one line at a time, so every call of the handler knows its line.
struct Reader {
  std::istringstream in;
  int line = 0;
};

char* ReadLine(char* str, int num, void* stream) {
  auto* reader = static_cast<Reader*>(stream);
  std::string line;
  if (!std::getline(reader->in, line)) return nullptr;
  ++reader->line;
  line = Uncommented(line);
  line += '\n';
  const std::size_t size = std::min(line.size(), static_cast<std::size_t>(num - 1));
  std::memcpy(str, line.data(), size);
  str[size] = '\0';
  return str;
}

struct Parse {
  Reader* reader = nullptr;
  std::string file;
  std::string error;
  AdapterChoice choice;
  std::map<std::string, int> keyLine;                 // key -> line
  std::map<int, std::pair<std::string, int>> pinUse;  // pin -> (key, line)

  bool Fail(const std::string& text) {
    if (error.empty()) error = file + ":" + std::to_string(reader->line) + ": " + text;
    return false;
  }

  bool Handle(const char* section, const char* nameText, const char* valueText) {
    const std::string sectionName = section;
    if (!sectionName.empty() && sectionName != "adaptador") {
      return Fail("sección desconocida [" + sectionName + "] (solo [adaptador])");
    }
    const std::string name = nameText;
    const std::string value = Trim(valueText);
    if (auto seen = keyLine.find(name); seen != keyLine.end()) {
      return Fail("\"" + name + "\" ya se dio en la línea " + std::to_string(seen->second));
    }
    keyLine[name] = reader->line;

    if (name == kPresenceKey) {
      for (const auto& [presence, word] : kPresenceNames) {
        if (value == word) {
          choice.wiring.presence = presence;
          return true;
        }
      }
      return Fail("presence=" + value + ": se espera pattern, loopback o none");
    }
    if (name == kDelayKey) {
      const auto us = ParseInt(value);
      if (!us || *us < 0 || *us > kMaxExtraHalfPeriodUs) {
        return Fail("delay=" + value + ": se esperan microsegundos, de 0 a " +
                    std::to_string(kMaxExtraHalfPeriodUs));
      }
      choice.extraHalfPeriod = std::chrono::microseconds(*us);
      return true;
    }

    const LineInfo* info = nullptr;
    for (const LineInfo& candidate : kLineInfo) {
      if (name == candidate.key) info = &candidate;
    }
    const bool input = name == kDataInKey;
    if (info == nullptr && !input) {
      std::string keys;
      for (const LineInfo& candidate : kLineInfo) keys += std::string(candidate.key) + ", ";
      return Fail("clave desconocida \"" + name + "\" (" + keys + std::string(kDataInKey) + ", " +
                  std::string(kPresenceKey) + ", " + std::string(kDelayKey) + ")");
    }
    const auto number = ParseInt(value);
    if (!number || *number == 0) {
      return Fail(name + "=" + value +
                  ": se espera el número de pata del conector (DB-25), con - si la señal "
                  "se activa con la pata en 0 V");
    }
    const int pin = *number < 0 ? -*number : *number;
    const auto pin8 = static_cast<std::uint8_t>(pin > 255 ? 0 : pin);
    if (input && !IsInputPin(pin8)) {
      return Fail("la pata " + std::to_string(pin) +
                  " no es una entrada del puerto (entradas: 10, 11, 12, 13 y 15)");
    }
    if (!input && !IsOutputPin(pin8)) {
      return Fail("la pata " + std::to_string(pin) +
                  " no es una salida del puerto (salidas: 1 a 9, 14, 16 y 17)");
    }
    if (auto used = pinUse.find(pin); used != pinUse.end()) {
      return Fail("la pata " + std::to_string(pin) + " ya lleva \"" + used->second.first +
                  "\" (línea " + std::to_string(used->second.second) + ")");
    }
    pinUse[pin] = {name, reader->line};
    const Pin p{pin8, *number < 0};
    if (input) {
      choice.wiring.dataIn = p;
    } else {
      choice.wiring[info->line] = p;
    }
    return true;
  }
};

int Handler(void* user, const char* section, const char* name, const char* value) {
  return static_cast<Parse*>(user)->Handle(section, name, value) ? 1 : 0;
}

std::string ParseText(std::string_view text, std::string_view fileName, AdapterChoice& choice) {
  Reader reader;
  reader.in.str(std::string(text));
  Parse parse;
  parse.reader = &reader;
  parse.file = std::string(fileName);
  parse.choice.name = std::string(fileName);
  parse.choice.wiring = Wiring{};
  parse.choice.wiring.presence = Presence::kNone;
  const int result = ini_parse_stream(ReadLine, &reader, Handler, &parse);
  if (!parse.error.empty()) return parse.error;
  if (result > 0) {
    return parse.file + ":" + std::to_string(result) +
           ": línea no válida (se espera clave=valor, o un comentario con # o ;)";
  }
  if (result != 0) return parse.file + ": no se pudo leer";
  std::string missing;
  for (Line line : {Line::kVpp, Line::kClock, Line::kDataOut}) {
    if (!parse.choice.wiring.Has(line)) missing += std::string(LineKey(line)) + ", ";
  }
  if (!parse.choice.wiring.dataIn.Wired()) missing += std::string(kDataInKey) + ", ";
  if (!missing.empty()) {
    missing.resize(missing.size() - 2);
    return parse.file + ": falta " + missing + " (obligatorias: vpp, clock, datao y datai)";
  }
  if (parse.choice.wiring.presence == Presence::kPattern) {
    return parse.file + ":" + std::to_string(parse.keyLine[std::string(kPresenceKey)]) +
           ": presence=pattern es solo para el adaptador de Daxwel (use loopback o none)";
  }
  choice = parse.choice;
  return {};
}

// Adapter files are a few lines: anything bigger is not one.
constexpr off_t kMostAdapterBytes = 64 * 1024;

std::string KindProblem(mode_t mode) {
  if (S_ISDIR(mode)) return "es una carpeta, no un archivo";
  if (S_ISFIFO(mode)) return "es una tubería (FIFO), no un archivo regular";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "es un dispositivo, no un archivo regular";
  return "no es un archivo regular";
}

std::string TooBig() {
  return "el archivo es demasiado grande (más de " + std::to_string(kMostAdapterBytes / 1024) +
         " KiB)";
}

}  // namespace

// A regular file only, asked before it is opened: opening a FIFO would wait for a writer, a
// device such as /dev/zero never ends. The open itself never waits, and what it reached is
// asked again in case the file was swapped meanwhile.
std::string ReadSmallFile(const std::filesystem::path& path, std::string& text) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return "no se puede leer el archivo (" + ErrorText(errno) + ")";
  if (!S_ISREG(st.st_mode)) return KindProblem(st.st_mode);
  if (st.st_size > kMostAdapterBytes) return TooBig();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return "no se puede leer el archivo (" + ErrorText(errno) + ")";
  std::string problem;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) problem = KindProblem(st.st_mode);
  char buffer[4096];
  while (problem.empty()) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      problem = "no se puede leer el archivo (" + ErrorText(errno) + ")";
    } else {
      text.append(buffer, static_cast<std::size_t>(n));
      if (static_cast<off_t>(text.size()) > kMostAdapterBytes) problem = TooBig();
    }
  }
  ::close(fd);
  return problem;
}

namespace {

// The length of the valid UTF-8 character at `at`, 0 when the bytes there are not one.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                             : lead >= 0xE0                 ? 3
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                                                            : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  // C1 controls (U+0080 to U+009F) steer terminals as ESC does.
  if (lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) return 0;
  return length;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += text[i++];
      continue;
    }
    const std::size_t length = c >= 0x80 ? Utf8Length(text, i) : 0;
    if (length != 0) {
      out += text.substr(i, length);
      i += length;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
    ++i;
  }
  return out;
}

std::span<const AdapterPreset> AdapterPresets() {
  static const std::vector<AdapterPreset> presets = MakePresets();
  return presets;
}

const AdapterPreset* FindAdapterPreset(std::string_view name) {
  for (const AdapterPreset& preset : AdapterPresets()) {
    if (preset.name == name) return &preset;
  }
  return nullptr;
}

AdapterChoice DefaultAdapter() {
  const AdapterPreset& preset = AdapterPresets().front();
  return {std::string(preset.name), preset.wiring,
          std::chrono::microseconds(preset.extraHalfPeriodUs)};
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

std::string ParseWiringText(std::string_view text, std::string_view fileName,
                            AdapterChoice& choice) {
  return Printable(ParseText(text, fileName, choice));
}

std::string ReadWiringFile(const std::filesystem::path& path, AdapterChoice& choice) {
  std::string text;
  if (std::string problem = ReadSmallFile(path, text); !problem.empty()) {
    return Printable(path.string() + ": " + problem);
  }
  return ParseWiringText(text, path.string(), choice);
}

std::filesystem::path UserAdapterFolder() { return UserDataFolder("adaptadores"); }

std::optional<std::filesystem::path> UserAdapterFile(std::string_view name) {
  const std::filesystem::path bare(name);
  if (name.empty() || bare.has_parent_path() || name == "." || name == "..") return std::nullopt;
  const std::filesystem::path inFolder = UserAdapterFolder() / bare;
  struct stat st {};
  if (::lstat(inFolder.c_str(), &st) != 0) return std::nullopt;
  return inFolder;
}

std::string ResolveAdapter(std::string_view nameOrFile, AdapterChoice& choice) {
  if (nameOrFile.empty()) {
    return "Falta el nombre del adaptador (un modelo de 'daxwel-cli adapters' o un archivo)";
  }
  // The user's own file of a preset's name is what the user meant: it hides the preset.
  const std::optional<std::filesystem::path> own = UserAdapterFile(nameOrFile);
  const AdapterPreset* preset = FindAdapterPreset(nameOrFile);
  if (preset != nullptr && !own) {
    choice = {std::string(preset->name), preset->wiring,
              std::chrono::microseconds(preset->extraHalfPeriodUs)};
    return {};
  }
  std::filesystem::path path(nameOrFile);
  struct stat st {};
  const bool here = preset == nullptr && ::lstat(path.c_str(), &st) == 0;
  if (!here && own) path = *own;
  if (!here && !own) {
    return Printable("Adaptador desconocido: \"" + std::string(nameOrFile) +
                     "\" (ni un modelo de 'daxwel-cli adapters' ni un archivo; los archivos "
                     "propios van en " +
                     UserAdapterFolder().string() + ")");
  }
  return ReadWiringFile(path, choice);
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
  return text;
}

}  // namespace daxwel
