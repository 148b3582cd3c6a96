#include "sim/sim_session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "image/hex_image.h"

namespace daxwel::sim {

namespace {

constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedByte = 0xFF;
// The simulated chips' configuration word; their second word or calibration words follow it.
constexpr int kFirstConfigWord = 0x2007;

// A number too big for any fault: said as out of range, not as no number at all.
constexpr long long kOutOfRange = -1;

// Decimal, or hexadecimal after "0x"/"0X"; the whole text must be the number. kOutOfRange for
// digits that do not fit.
std::optional<long long> ParseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return kOutOfRange;
  if (ec != std::errc() || value < 0) return std::nullopt;
  return value;
}

constexpr FaultKind kFaultKinds[] = {
    {"no-adapter", "", "", "el puerto no muestra el adaptador"},
    {"no-target", "0|1", "1", "adaptador sin PIC: la línea de datos se lee siempre 0 o 1"},
    {"stuck", "DIR", "0x10", "la palabra de programa DIR no cambia"},
    {"ee-stuck", "INDICE", "0", "el byte INDICE de la EEPROM no cambia"},
    {"unplug-after", "N", "1000", "el adaptador desaparece tras N escrituras al puerto"},
    {"ee-upper", "0|1", "1", "lo que dan los seis bits altos de cada lectura de la EEPROM"},
    {"id", "VALOR", "0x09A5", "el ID del dispositivo (0x2006) se lee VALOR"},
    {"keep-config", "", "", "sólo 16F62XA: el borrado deja la palabra de configuración"},
    {"config-fail", "", "", "la escritura de la palabra de configuración no tiene efecto"},
    {"refuse-entry", "N", "2", "las primeras N entradas en modo de programación se rechazan"},
    {"osccal", "0x34NN", "0x3480", "el OSCCAL de fábrica de un PIC nuevo"},
    {"bg", "0..3", "2", "los bits BG de fábrica de un PIC nuevo"},
    {"lost-calibration", "", "", "la calibración de fábrica ya borrada"},
    {"vpp", "V", "13",
     "la VPP que da el adaptador (8 a 14 V): por encima de 12 V los 16F88X y 16F91X la "
     "registran como violación"},
};

const FaultKind* FindFaultKind(std::string_view name) {
  for (const FaultKind& k : kFaultKinds) {
    if (k.name == name) return &k;
  }
  return nullptr;
}

std::string HexText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// The comment record that names the chip a state file belongs to; the state's reader skips it.
constexpr std::string_view kModelComment = ";PIC ";

bool SameMemory(const ChipMemory& a, const ChipMemory& b) {
  return a.program == b.program && a.ids == b.ids && a.config == b.config && a.high == b.high &&
         a.eeprom == b.eeprom;
}

// The model a state file's first line names, or empty when it names none.
std::string_view ModelComment(std::string_view text) {
  if (text.substr(0, kModelComment.size()) != kModelComment) return {};
  std::string_view name = text.substr(kModelComment.size());
  name = name.substr(0, name.find_first_of("\r\n"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// The bytes after a first line that starts with ';'.
std::string_view WithoutComment(std::string_view text) {
  if (text.empty() || text.front() != ';') return text;
  const std::size_t end = text.find('\n');
  return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

// The reader counts the lines it was given; the file has the model's comment line before them.
std::string Renumbered(const std::string& description, int line, int skippedLines) {
  const std::string said = "Línea " + std::to_string(line) + ":";
  if (skippedLines == 0 || line <= 0 || description.rfind(said, 0) != 0) return description;
  return "Línea " + std::to_string(line + skippedLines) + ":" + description.substr(said.size());
}

bool ReadWhole(int fd, std::string& bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// The factory calibration goes into the state file at words 0x20F0 (the OSCCAL word) and
// 0x20F1 (the band gap in bits 13:12): no part has memory there and the HEX reader skips
// them, so the state file still reads as a read-back file.
constexpr int kFactoryByteAddress = 0x41E0;
constexpr std::string_view kEndRecord = ":00000001FF";

std::string FactoryRecord(const Calibration& factory) {
  const unsigned bandGap = static_cast<unsigned>(factory.bandGap & 3) << 12;
  const unsigned bytes[] = {factory.osccal & 0xFFu, (factory.osccal >> 8) & 0x3Fu, bandGap & 0xFFu,
                            bandGap >> 8};
  unsigned sum = 4 + (kFactoryByteAddress >> 8) + (kFactoryByteAddress & 0xFF);
  for (unsigned b : bytes) sum += b;
  char text[32];
  std::snprintf(text, sizeof text, ":04%04X00%02X%02X%02X%02X%02X\r\n", kFactoryByteAddress,
                bytes[0], bytes[1], bytes[2], bytes[3], (0x100 - (sum & 0xFF)) & 0xFF);
  return text;
}

// The record FactoryRecord writes, from a file the HEX reader has already checked.
std::optional<Calibration> ReadFactoryRecord(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return std::nullopt;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, ":04%04X00", kFactoryByteAddress);
  std::optional<Calibration> found;
  char line[600];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    const std::string_view text(line);
    if (text.substr(0, 9) != prefix || text.size() < 17) continue;
    unsigned value[4] = {};
    bool ok = true;
    for (std::size_t i = 0; i < 4 && ok; ++i) {
      const char* first = line + 9 + 2 * i;
      ok = std::from_chars(first, first + 2, value[i], 16).ec == std::errc();
    }
    if (!ok) continue;
    Calibration factory;
    factory.osccal = static_cast<std::uint16_t>(value[0] | (value[1] << 8));
    factory.bandGap = static_cast<std::uint16_t>((value[3] >> 4) & 3);
    found = factory;
  }
  std::fclose(file);
  return found;
}

}  // namespace

std::string ParseSimTarget(std::string_view text, SimOptions& options) {
  const std::size_t colon = text.find(':');
  const std::string_view name = text.substr(0, colon);
  const auto model = ParseSimModel(name);
  if (!model) {
    const std::vector<std::string_view> names = SimModelNames();
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
      list += (i == 0 ? "" : i + 1 == names.size() ? " o " : ", ") + std::string(names[i]);
    }
    return "Modelo de simulador desconocido: \"" + std::string(name) + "\" (" + list + ")";
  }
  options.model = *model;
  options.statePath.clear();
  if (colon != std::string_view::npos) {
    options.statePath = std::string(text.substr(colon + 1));
    if (options.statePath.empty()) return "Falta el archivo de estado después de \":\"";
  }
  return {};
}

std::string ParseSimTime(std::string_view text, SimOptions& options) {
  if (text == "real") {
    options.time = SimTime::Real;
  } else if (text == "virtual") {
    options.time = SimTime::Virtual;
  } else {
    return "Tiempo de simulador desconocido: \"" + std::string(text) + "\" (real o virtual)";
  }
  return {};
}

std::span<const FaultKind> FaultKinds() { return kFaultKinds; }

std::string FaultKindList() {
  std::string list;
  for (const FaultKind& k : kFaultKinds) {
    if (!list.empty()) list += ", ";
    list.append(k.name);
    // Appended apart: GCC 12 misreads "=" + std::string as overlapping copies.
    if (!k.value.empty()) list.append("=").append(k.value);
  }
  return list;
}

std::string FaultKindHelp() {
  std::string help =
      "Fallas del simulador (--sim-fault TIPO[=VALOR], repetible; números "
      "decimales o 0x hexadecimales):\n";
  for (const FaultKind& k : kFaultKinds) {
    std::string usage(k.name);
    if (!k.value.empty()) usage.append("=").append(k.value);
    help.append("  ").append(usage);
    help.append(usage.size() < 20 ? 20 - usage.size() : 1, ' ').append(k.what).append("\n");
  }
  return help;
}

std::string ParseSimFault(std::string_view text, Faults& faults) {
  const std::size_t eq = text.find('=');
  const std::string_view kind = text.substr(0, eq);
  const bool hasValue = eq != std::string_view::npos;
  const std::optional<long long> value =
      hasValue ? ParseNumber(text.substr(eq + 1)) : std::optional<long long>{};
  const std::string what = "--sim-fault " + std::string(text) + ": ";

  if (text == "help") return "--sim-fault: los tipos de falla son " + FaultKindList();
  const FaultKind* known = FindFaultKind(kind);
  if (known == nullptr) return what + "falla desconocida (" + FaultKindList() + ")";
  if (known->value.empty()) {
    if (hasValue) return what + "no lleva valor";
    bool* flag = kind == "no-adapter"         ? &faults.noAdapter
                 : kind == "keep-config"      ? &faults.keepConfig
                 : kind == "lost-calibration" ? &faults.lostCalibration
                 : kind == "config-fail"      ? &faults.configFail
                                              : nullptr;
    if (flag == nullptr) return what + "falla desconocida (" + FaultKindList() + ")";
    *flag = true;
    return {};
  }
  if (!hasValue) return what + "falta el valor (" + std::string(kind) + "=VALOR)";
  if (!value) return what + "el valor no es un número (decimal o 0x hexadecimal)";
  const long long number = *value;
  if (number == kOutOfRange) return what + "el valor está fuera de rango";

  if (kind == "no-target" || kind == "ee-upper") {
    if (number > 1) return what + "el valor debe ser 0 o 1";
    (kind == "no-target" ? faults.noTarget : faults.eeUpper) = static_cast<int>(number);
  } else if (kind == "stuck") {
    if (number > 0x1FFF) return what + "dirección fuera de la memoria de programa";
    faults.stuckProgram.push_back(static_cast<int>(number));
  } else if (kind == "ee-stuck") {
    if (number > 0xFF) return what + "índice fuera de la EEPROM";
    faults.stuckEeprom.push_back(static_cast<int>(number));
  } else if (kind == "unplug-after") {
    faults.unplugAfter = number;
  } else if (kind == "id") {
    if (number > 0x3FFF) return what + "el ID del dispositivo tiene 14 bits";
    faults.deviceId = static_cast<int>(number);
  } else if (kind == "refuse-entry") {
    if (number > 1000000) return what + "demasiadas entradas";
    faults.refusedEntries = static_cast<int>(number);
  } else if (kind == "osccal") {
    // Its shape is the chip model's to check, once the part is known.
    if (number > 0x3FFF) return what + "una palabra tiene 14 bits";
    faults.osccal = static_cast<int>(number);
  } else if (kind == "bg") {
    if (number > 3) return what + "los bits BG van de 0 a 3";
    faults.bandGap = static_cast<int>(number);
  } else if (kind == "vpp") {
    if (number < 8 || number > 14) return what + "la VPP del adaptador va de 8 a 14 V";
    faults.vppVolts = static_cast<int>(number);
  } else {
    // A kind of the table that no branch takes: the table and this parser disagree.
    return what + "falla desconocida (" + FaultKindList() + ")";
  }
  return {};
}

std::string ParseSimOptions(std::string_view target, std::string_view time,
                            const std::vector<std::string>& faults, SimOptions& options) {
  std::string problem = ParseSimTarget(target, options);
  if (problem.empty()) problem = ParseSimTime(time, options);
  for (const std::string& fault : faults) {
    if (problem.empty()) problem = ParseSimFault(fault, options.faults);
  }
  if (problem.empty()) problem = CheckFaultsFitChip(options);
  return problem;
}

std::string CheckFaultsFitChip(const SimOptions& options) {
  const VirtualPacer pacer;
  const SimAdapter chip(options.model, pacer.GetClock());
  const auto words = static_cast<int>(chip.Memory().program.size());
  const auto bytes = static_cast<int>(chip.Memory().eeprom.size());
  const std::string model(SimModelName(options.model));
  for (int address : options.faults.stuckProgram) {
    if (address >= words) {
      return "--sim-fault stuck: la dirección " + HexText(address) + " no existe en el " + model +
             " (0x0000 a " + HexText(words - 1) + ")";
    }
  }
  if (options.faults.keepConfig && !KeepsConfigFault(options.model)) {
    std::vector<std::string_view> parts;
    for (std::string_view name : SimModelNames()) {
      if (KeepsConfigFault(SimModel(name))) parts.push_back(name);
    }
    std::string list;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      list.append(i == 0 ? "" : i + 1 == parts.size() ? " y " : ", ").append(parts[i]);
    }
    return "--sim-fault keep-config: solo los " + list + " borran así, no el " + model;
  }
  const Faults& f = options.faults;
  // A chip with calibration words in configuration memory can lose them too.
  const bool calibrationWords = chip.Memory().high != std::array<std::uint16_t, 2>{0x3FFF, 0x3FFF};
  if ((f.osccal || f.bandGap || (f.lostCalibration && !calibrationWords)) &&
      !chip.Memory().factory) {
    return "--sim-fault osccal/bg/lost-calibration: el " + model +
           " no tiene calibración de fábrica";
  }
  if (const std::string problem = ChipFaultProblem(options.model, f); !problem.empty()) {
    return "--sim-fault " + problem;
  }
  for (int index : options.faults.stuckEeprom) {
    if (index >= bytes) {
      return "--sim-fault ee-stuck: el índice " + HexText(index) + " no existe en el " + model +
             " (0x0000 a " + HexText(bytes - 1) + ")";
    }
  }
  return {};
}

ChipContents ContentsOfMemory(const ChipMemory& memory) {
  ChipContents contents;
  contents.program = memory.program;
  contents.ids = memory.ids;
  contents.configMemory[kFirstConfigWord] = memory.config;
  // Left out while erased, so the parts without them keep the files they always had.
  for (std::size_t k = 0; k < memory.high.size(); ++k) {
    const int address = kFirstConfigWord + 1 + static_cast<int>(k);
    if (memory.high[k] != kErasedWord) contents.configMemory[address] = memory.high[k];
  }
  contents.eeprom = memory.eeprom;
  return contents;
}

void LoadMemory(const ChipContents& contents, ChipMemory& memory) {
  std::fill(memory.program.begin(), memory.program.end(), kErasedWord);
  std::copy_n(contents.program.begin(), std::min(contents.program.size(), memory.program.size()),
              memory.program.begin());
  for (auto& word : memory.program) word &= kErasedWord;
  for (std::size_t i = 0; i < memory.ids.size(); ++i) memory.ids[i] = contents.ids[i] & 0x3FFF;
  memory.config = contents.Config().value_or(kErasedWord) & 0x3FFF;
  for (std::size_t k = 0; k < memory.high.size(); ++k) {
    const int address = kFirstConfigWord + 1 + static_cast<int>(k);
    memory.high[k] = contents.Word(address).value_or(kErasedWord) & 0x3FFF;
  }
  std::fill(memory.eeprom.begin(), memory.eeprom.end(), kErasedByte);
  std::copy_n(contents.eeprom.begin(), std::min(contents.eeprom.size(), memory.eeprom.size()),
              memory.eeprom.begin());
}

std::string ReadContentsFile(const std::string& path, int programWords, int eepromBytes,
                             ChipContents& contents) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return path + ": no se pudo abrir el archivo (no existe o no es un archivo regular)";
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return path + ": " + SystemErrorText(errno);
  std::string bytes;
  const bool read = ReadWhole(fd, bytes);
  const int error = errno;
  ::close(fd);
  if (!read) return path + ": " + SystemErrorText(error);
  return ContentsOfText(bytes, path, programWords, eepromBytes, contents);
}

std::string ContentsOfText(std::string_view bytes, const std::string& path, int programWords,
                           int eepromBytes, ChipContents& contents) {
  const std::string_view records = WithoutComment(bytes);
  const HexLoadResult loaded = ParseHexImage(records, {programWords, eepromBytes});
  const int skippedLines = records.size() == bytes.size() ? 0 : 1;
  const std::string where =
      loaded.line > 0 ? " (línea " + std::to_string(loaded.line + skippedLines) + ")" : "";
  switch (loaded.status) {
    case HexStatus::Ok:
      break;
    case HexStatus::FormatError:
      return path + ": este archivo no es Intel Format" + where;
    case HexStatus::ProgramSizeError:
      return path + ": excede el tamaño de la Flash Program Memory";
    case HexStatus::EepromSizeError:
      return path + ": excede el tamaño de la EEPROM Data Memory";
    case HexStatus::ReadFailure:
      return path + ": " + Renumbered(loaded.description, loaded.line, skippedLines);
  }
  const HexImage& image = loaded.image;
  contents.program.assign(static_cast<std::size_t>(programWords), kErasedWord);
  for (int a = 0; a < programWords; ++a) {
    contents.program[static_cast<std::size_t>(a)] =
        static_cast<std::uint16_t>(image.ProgramWords[static_cast<std::size_t>(a)] & 0x3FFF);
  }
  const auto has = image.HasId();
  const auto ids = image.IdWords();
  for (std::size_t j = 0; j < contents.ids.size(); ++j) {
    contents.ids[j] = has[j] ? static_cast<std::uint16_t>(ids[j] & 0x3FFF) : kErasedWord;
  }
  contents.configBase = image.ConfigBase;
  contents.configMemory.clear();
  for (const auto& [address, word] : image.ConfigWords) {
    if (address >= image.ConfigBase + 4) contents.configMemory[address] = word;
  }
  contents.eeprom.assign(static_cast<std::size_t>(eepromBytes), kErasedByte);
  for (int i = 0; i < eepromBytes; ++i) {
    contents.eeprom[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
  }
  return {};
}

SimSession::SimSession(SimOptions options) : options_(std::move(options)) {
  if (options_.time == SimTime::Virtual) {
    pacer_ = std::make_unique<VirtualPacer>();
  } else {
    pacer_ = std::make_unique<SteadyPacer>();
  }
  adapter_ = std::make_unique<SimAdapter>(options_.model, pacer_->GetClock(), std::uint16_t{0x378},
                                          options_.faults, options_.wiring);
}

SimSession::~SimSession() {
  if (lockFd_ >= 0) ::close(lockFd_);
  if (!tempFolder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(tempFolder_, ec);
  }
}

std::string SimSession::CalibrationFolder() {
  if (!options_.statePath.empty()) return options_.statePath + ".calibraciones";
  if (tempFolder_.empty()) {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "daxwel-sim-XXXXXX").string();
    if (!ec && ::mkdtemp(pattern.data()) != nullptr) tempFolder_ = pattern;
  }
  return tempFolder_;
}

std::string SimSession::StateText() const {
  std::string text(kModelComment);
  text += SimModelName(options_.model);
  text += "\r\n";
  const ChipMemory& memory = adapter_->Memory();
  text += FormatInhx8m(ContentsOfMemory(memory), true);
  const std::size_t end = text.rfind(kEndRecord);
  if (memory.factory && end != std::string::npos) text.insert(end, FactoryRecord(*memory.factory));
  return text;
}

// Writes the chip and keeps the lock on the file that now holds it.
std::string SimSession::WriteState(bool replace) {
  int fd = -1;
  std::string problem = WriteFileAtomically(options_.statePath, StateText(), replace, &fd);
  if (!problem.empty()) return problem;
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = fd;
  saved_ = adapter_->Memory();
  return {};
}

std::string SimSession::LoadState() {
  if (options_.statePath.empty()) return {};
  const std::string& path = options_.statePath;
  const std::string prefix = "Estado del simulador: ";
  const WriteTarget target = ResolveWriteTarget(path);
  if (!target.problem.empty()) return prefix + path + ": " + target.problem;
  if (target.kind == TargetKind::Folder) return prefix + path + ": es una carpeta";
  if (target.kind == TargetKind::Stream || target.kind == TargetKind::Other) {
    return prefix + path + ": no es un archivo regular";
  }

  // The lock is held for the whole run: a second process on the same chip would otherwise
  // lose one of the two runs' work without a word. A file replaced between the open and the
  // lock is opened again.
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(target.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
      if (errno != ENOENT) return prefix + path + ": " + SystemErrorText(errno);
      // A new, erased chip; another process may create it first.
      std::string problem = WriteState(false);
      std::error_code ec;
      if (!problem.empty() && std::filesystem::exists(target.path, ec)) continue;
      return problem.empty() ? problem : prefix + problem;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) {
        return prefix + "el archivo " + path +
               " está en uso por otro daxwel o daxwel-cli; espere a que termine";
      }
      return prefix + path + ": " + SystemErrorText(error);
    }
    struct stat held {};
    struct stat now {};
    if (::fstat(fd, &held) != 0 || ::stat(target.path.c_str(), &now) != 0 ||
        held.st_dev != now.st_dev || held.st_ino != now.st_ino) {
      ::close(fd);
      continue;
    }
    lockFd_ = fd;
    std::string bytes;
    if (!ReadWhole(fd, bytes)) return prefix + path + ": " + SystemErrorText(errno);
    // An empty file (as mktemp leaves it) is a new chip too.
    if (bytes.empty()) {
      const std::string problem = WriteState(true);
      return problem.empty() ? problem : prefix + problem;
    }
    const std::string_view named = ModelComment(bytes);
    const std::string_view mine = SimModelName(options_.model);
    if (!named.empty() && named != mine) {
      return prefix + path + " guarda un PIC " + std::string(named) + ", no un " +
             std::string(mine) + " (elija ese modelo u otro archivo de estado)";
    }
    ChipMemory& memory = adapter_->Memory();
    ChipContents contents;
    const std::string problem = ContentsOfText(bytes, path, static_cast<int>(memory.program.size()),
                                               static_cast<int>(memory.eeprom.size()), contents);
    if (!problem.empty()) return prefix + problem;
    LoadMemory(contents, memory);
    if (memory.factory) {
      if (const auto factory = ReadFactoryRecord(target.path)) memory.factory = factory;
    }
    saved_ = memory;
    return {};
  }
  return prefix + path + ": el archivo cambia sin cesar";
}

std::string SimSession::SaveState() {
  // Only a chip that changed is written: a detection or a verification leaves the file (and a
  // read-only disk) alone.
  if (options_.statePath.empty() || lockFd_ < 0 || SameMemory(adapter_->Memory(), saved_)) {
    return {};
  }
  const std::string problem = WriteState(true);
  return problem.empty() ? problem : "Estado del simulador: " + problem;
}

std::string CostReport(const SimStats& stats) {
  using Seconds = std::chrono::duration<double>;
  const double cycles = std::chrono::duration_cast<Seconds>(stats.cycleTimeTotal).count();
  const double floor = cycles + static_cast<double>(stats.clockPhases) * 1e-6;
  char text[200];
  std::snprintf(text, sizeof text,
                "Simulador: %lld fases de reloj, %lld ciclos (%lld solo programación), %.3f s de "
                "ciclos; mínimo %.3f s",
                stats.clockPhases, stats.programCycles, stats.programOnlyCycles, cycles, floor);
  return text;
}

}  // namespace daxwel::sim
