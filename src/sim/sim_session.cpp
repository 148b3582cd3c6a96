#include "sim/sim_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "image/hex_image.h"

namespace daxwel::sim {

namespace {

constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedByte = 0xFF;

// Decimal, or hexadecimal after "0x"/"0X"; the whole text must be the number.
std::optional<long long> ParseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::string HexText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// The few reasons a state or read-back file cannot be written, in the program's language; the
// system's own (English) text for anything rarer.
std::string SystemErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case ENOENT:
      return "la carpeta no existe";
    case EISDIR:
      return "es una carpeta";
    case ENOTDIR:
      return "una parte de la ruta no es una carpeta";
    case ENOSPC:
      return "no queda espacio en el disco";
    case EROFS:
      return "el disco es de solo lectura";
    default:
      return std::generic_category().message(error);
  }
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

std::string ParseSimFault(std::string_view text, Faults& faults) {
  const std::size_t eq = text.find('=');
  const std::string_view kind = text.substr(0, eq);
  const bool hasValue = eq != std::string_view::npos;
  const std::optional<long long> value =
      hasValue ? ParseNumber(text.substr(eq + 1)) : std::optional<long long>{};
  const std::string what = "--sim-fault " + std::string(text) + ": ";

  if (kind == "no-adapter" || kind == "keep-config") {
    if (hasValue) return what + "no lleva valor";
    (kind == "no-adapter" ? faults.noAdapter : faults.keepConfig) = true;
    return {};
  }
  if (!hasValue) return what + "falta el valor (" + std::string(kind) + "=VALOR)";
  if (!value) return what + "el valor no es un número (decimal o 0x hexadecimal)";
  const long long number = *value;

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
  } else {
    return what +
           "falla desconocida (no-adapter, no-target, stuck, ee-stuck, unplug-after, "
           "ee-upper, id, keep-config)";
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
  if (options.faults.keepConfig && FamilyOf(options.model) != SimFamily::F62XA) {
    return "--sim-fault keep-config: solo los 16F627A, 16F628A y 16F648A borran así, no el " +
           model;
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
  contents.config = memory.config;
  contents.eeprom = memory.eeprom;
  return contents;
}

void LoadMemory(const ChipContents& contents, ChipMemory& memory) {
  std::fill(memory.program.begin(), memory.program.end(), kErasedWord);
  std::copy_n(contents.program.begin(), std::min(contents.program.size(), memory.program.size()),
              memory.program.begin());
  for (auto& word : memory.program) word &= kErasedWord;
  for (std::size_t i = 0; i < memory.ids.size(); ++i) memory.ids[i] = contents.ids[i] & 0x3FFF;
  memory.config = contents.config.value_or(kErasedWord) & 0x3FFF;
  std::fill(memory.eeprom.begin(), memory.eeprom.end(), kErasedByte);
  std::copy_n(contents.eeprom.begin(), std::min(contents.eeprom.size(), memory.eeprom.size()),
              memory.eeprom.begin());
}

std::string ReadContentsFile(const std::string& path, int programWords, int eepromBytes,
                             ChipContents& contents) {
  const HexLoadResult loaded = LoadHexImage(path, {programWords, eepromBytes});
  switch (loaded.status) {
    case HexStatus::Ok:
      break;
    case HexStatus::FormatError:
      return path + ": este archivo no es Intel Format";
    case HexStatus::ProgramSizeError:
      return path + ": excede el tamaño de la Flash Program Memory";
    case HexStatus::EepromSizeError:
      return path + ": excede el tamaño de la EEPROM Data Memory";
    case HexStatus::ReadFailure:
      return path + ": " + loaded.description;
  }
  const HexImage& image = loaded.image;
  contents.program.assign(static_cast<std::size_t>(programWords), kErasedWord);
  for (int a = 0; a < programWords; ++a) {
    contents.program[static_cast<std::size_t>(a)] =
        static_cast<std::uint16_t>(image.ProgramWords[static_cast<std::size_t>(a)] & 0x3FFF);
  }
  for (std::size_t j = 0; j < contents.ids.size(); ++j) {
    contents.ids[j] =
        image.HasId[j] ? static_cast<std::uint16_t>(image.IdWords[j] & 0x3FFF) : kErasedWord;
  }
  contents.config.reset();
  if (!image.FileConfig.empty()) {
    contents.config = static_cast<std::uint16_t>(FromBitString(image.FileConfig));
  }
  contents.eeprom.assign(static_cast<std::size_t>(eepromBytes), kErasedByte);
  for (int i = 0; i < eepromBytes; ++i) {
    contents.eeprom[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
  }
  return {};
}

std::string WriteFileAtomically(const std::string& path, std::string_view text, bool replace) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string cannot = "No se puede escribir el archivo " + path + ": ";

  // A unique name in the same directory, so the final rename never crosses file systems.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    // Built by appending: GCC 12 warns falsely on "literal" + std::string.
    std::string name(1, '.');
    name += target.filename().string();
    name += ".tmp";
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(attempt);
    temp = (dir / name).string();
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return cannot + SystemErrorText(errno);
  }
  if (fd < 0) return cannot + SystemErrorText(EEXIST);

  const char* data = text.data();
  std::size_t left = text.size();
  int error = 0;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return cannot + SystemErrorText(error);
  }

  if (replace) {
    if (::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
  } else {
    // link() fails when the target exists, so a file that appeared meanwhile is kept.
    if (::link(temp.c_str(), path.c_str()) != 0) error = errno;
    ::unlink(temp.c_str());
  }
  if (error == EEXIST) return "El archivo " + path + " ya existe";
  if (error != 0) return cannot + SystemErrorText(error);
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

SimSession::~SimSession() = default;

std::string SimSession::LoadState() {
  if (options_.statePath.empty()) return {};
  std::error_code ec;
  // A missing file, or an empty one (as mktemp leaves it), is a new, erased chip.
  if (!std::filesystem::exists(options_.statePath, ec)) return SaveState();
  if (std::filesystem::is_regular_file(options_.statePath, ec) &&
      std::filesystem::file_size(options_.statePath, ec) == 0 && !ec) {
    return SaveState();
  }
  ChipMemory& memory = adapter_->Memory();
  ChipContents contents;
  std::string problem =
      ReadContentsFile(options_.statePath, static_cast<int>(memory.program.size()),
                       static_cast<int>(memory.eeprom.size()), contents);
  if (!problem.empty()) return "Estado del simulador: " + problem;
  LoadMemory(contents, memory);
  return {};
}

std::string SimSession::SaveState() const {
  if (options_.statePath.empty()) return {};
  const std::string text = FormatInhx8m(ContentsOfMemory(adapter_->Memory()), true);
  return WriteFileAtomically(options_.statePath, text, true);
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
