#include "cli/commands.h"

#include <poll.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "cli/exit_status.h"
#include "cli/memory_listing.h"
#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/blank_check.h"
#include "device/catalogue.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/read_device.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_writer.h"
#include "sim/sim_session.h"

namespace daxwel::cli {

namespace {

std::string Hex4(int value) { return "0x" + detail::AddressText(value); }

std::string Detect(Link& link, TerminalOperator& op) {
  op.SetModelIndex(0);
  const int index = DetectModel(link, op);
  if (index == 0) return result::kNone;
  op.Output(std::string(ModelByIndex(index)->listText));
  return result::kOk;
}

std::string Program(const Request& request, Link& link, TerminalOperator& op) {
  if (request.config.kind == ConfigChoice::Kind::Fields || request.config.word2) {
    // The dialog's fields depend on the model: like "Configurar", detect first when needed.
    if (op.ModelIndex() == 0 && DetectModel(link, op) == 0) return result::kNone;
    if (std::string problem = CheckConfigWordCount(request.config, op.ModelIndex());
        !problem.empty()) {
      op.Message("Configuración Inválida", problem);
      return result::kConfigError;
    }
    if (std::string problem = CheckConfigForModel(request.config, ConfigLayoutOf(op.ModelIndex()));
        !problem.empty()) {
      op.Message("Configuración Inválida",
                 problem + " (PIC " + std::string(ModelByIndex(op.ModelIndex())->modelName) + ")");
      return result::kConfigError;
    }
  }
  return ProgramDevice(request.file, link, op);
}

// Waits for Enter on a terminal, for the given time, or for Ctrl-C.
void WaitWhileRunning(const Request& request, TerminalOperator& op) {
  using Clock = std::chrono::steady_clock;
  const bool terminal = ::isatty(STDIN_FILENO) != 0;
  // Beyond a year is as good as "until stopped", and would overflow the clock's range.
  constexpr double kYear = 365.0 * 24 * 3600;
  const auto deadline = request.seconds && *request.seconds < kYear
                            ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                 std::chrono::duration<double>(*request.seconds))
                            : Clock::time_point::max();
  while (!op.AbandonRequested() && Clock::now() < deadline) {
    if (terminal && !request.seconds) {
      pollfd p{STDIN_FILENO, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) <= 0 || c == '\n') return;
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

std::string RunMode(const Request& request, Link& link, TerminalOperator& op) {
  RunLineOn(link);
  op.Message("RUN Mode", "Ejecutando programa .....\r\rAceptar para detener",
             MessageIcon::Exclamation);
  if (request.seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "(se detiene en %g s o con Ctrl-C)", *request.seconds);
    op.Line(text);
  } else if (::isatty(STDIN_FILENO) != 0) {
    op.Line("(Enter o Ctrl-C para detener)");
  } else {
    op.Line("(Ctrl-C para detener)");
  }
  WaitWhileRunning(request, op);
  LinesOff(link);
  return result::kOk;
}

// Writes a command's data to its file, or to standard output for "-" (or no name).
std::string Deliver(const Request& request, const std::string& text, TerminalOperator& op) {
  if (request.file.empty() || request.file == kStandardStream) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) != 0 || !written) {
      op.Message("Error", "No se puede escribir en la salida estándar");
      return kFileError;
    }
    return {};
  }
  if (std::string problem = sim::WriteFileAtomically(request.file, text, request.force);
      !problem.empty()) {
    op.Message("Error", problem);
    return kFileError;
  }
  return {};
}

std::string WhereWritten(const Request& request) {
  return request.file == kStandardStream ? "la salida estándar" : request.file;
}

// What --only leaves of the chip's contents.
ChipContents Narrowed(ChipContents contents, const MemoryScope& scope) {
  if (!scope.program) contents.program.clear();
  if (!scope.eeprom) contents.eeprom.clear();
  if (!scope.config) contents.configMemory.clear();
  contents.hasIds = scope.ids;
  return contents;
}

std::string Read(const Request& request, Link& link, TerminalOperator& op) {
  ReadOutcome read = ReadDevice(link, op, ReadScope::Everything);
  if (read.result != result::kOk) return read.result;
  read.contents = Narrowed(read.contents, ScopeOf(request.only));
  const std::string text =
      request.ihx32 ? FormatInhx32(read.contents, true) : FormatInhx8m(read.contents, true);
  if (std::string failed = Deliver(request, text, op); !failed.empty()) return failed;
  op.Message("Fin", "Lectura finalizada\rPIC " +
                        std::string(ModelByIndex(read.modelIndex)->modelName) + " leído en " +
                        WhereWritten(request));
  return result::kOk;
}

std::string Dump(const Request& request, Link& link, TerminalOperator& op) {
  const ReadOutcome read = ReadDevice(link, op, ReadScope::Everything);
  if (read.result != result::kOk) return read.result;
  if (std::string failed = Deliver(request, MemoryListing(read.contents), op); !failed.empty()) {
    return failed;
  }
  return result::kOk;
}

std::string Blank(Link& link, TerminalOperator& op) {
  const ReadOutcome read = ReadDevice(link, op, ReadScope::Everything);
  if (read.result != result::kOk) return read.result;
  const DeviceModel* model = ModelByIndex(read.modelIndex);
  const std::vector<NonBlank> found = FindNonBlank(read.contents, *model->family);
  for (const NonBlank& n : found) {
    const int digits = n.memory == "Memoria de datos (EEPROM)" ? 2 : 4;
    char value[8];
    std::snprintf(value, sizeof value, "%0*X", digits, n.value);
    op.Output(n.memory + ": dirección " + Hex4(n.address) + " no está borrada (se leyó 0x" + value +
              ")");
  }
  if (!found.empty()) return kNotBlank;
  op.Message("Fin", "El PIC " + std::string(model->modelName) + " está borrado");
  return result::kOk;
}

// The row's name for the silicon read: a row that also holds a part without a device ID
// (the 16F84 of the 16F84/84A) names the part an ID was read from by its other name.
std::string_view SiliconName(const DeviceModel& model, std::uint16_t deviceId) {
  const bool hasId = deviceId != 0 && deviceId != 0x3FFF;
  if (!hasId || model.noIdName.empty()) return model.modelName;
  if (model.modelName != model.noIdName) return model.modelName;
  for (std::string_view alias : model.aliases) {
    if (alias != model.noIdName) return alias;
  }
  return model.modelName;
}

std::string Info(Link& link, TerminalOperator& op) {
  const ReadOutcome read = ReadDevice(link, op, ReadScope::ConfigurationOnly);
  if (read.result != result::kOk) return read.result;
  const DeviceModel* model = ModelByIndex(read.modelIndex);
  const int config = read.contents.Config().value_or(0x3FFF);

  op.Output("Microcontrolador: PIC " + std::string(SiliconName(*model, read.deviceId)));
  op.Output("Configuration Word: " + Hex4(config) + " (" + ToBitString(config) + ")");
  std::string words = ToBitString(config);
  if (model->family->configWords > 1) {
    const int second = read.contents.Word(model->family->FirstConfigWord() + 1).value_or(0x3FFF);
    op.Output("Configuration Word 2: " + Hex4(second) + " (" + ToBitString(second) + ")");
    words += ToBitString(second);
  }
  const std::string summary = Config_Detail(words, model->family->layout);
  std::size_t start = 0;
  while (start < summary.size()) {
    std::size_t end = summary.find('\r', start);
    if (end == std::string::npos) end = summary.size();
    op.Output("  " + summary.substr(start, end - start));
    start = end + 1;
  }
  std::string ids = "ID: ";
  for (std::size_t j = 0; j < read.contents.ids.size(); ++j) {
    if (j != 0) ids += ' ';
    ids += Hex4(read.contents.ids[j]);
  }
  op.Output(ids);
  for (const std::string& line : detail::CalibrationLines(*model->family, read.contents)) {
    op.Output(line);
  }

  // Bits 13..5 name the part (the detection compares bits 11..5), bits 4..0 its revision.
  const int named = ModelIndexById(read.deviceId);
  std::string id = "ID del dispositivo: " + Hex4(read.deviceId);
  if (named != 0) {
    id += " (" + std::string(ModelByIndex(named)->listText) + ", revisión " +
          std::to_string(read.deviceId & 0x1F) + ")";
  } else {
    id += " (sin identificar)";
  }
  op.Output(id);

  // The factory's calibration, which no erase may lose.
  detail::FactoryBits bits;
  bits.deviceId = read.deviceId;
  for (const ReadOutcome::Factory& f : read.factory) {
    const PreservedBits& p = *f.where;
    bits.entries.push_back({f.where, f.value, f.word});
    std::string line = std::string(p.name) + " (0x" + Hex4(p.address).substr(2);
    if (p.mask == 0x3FFF) {
      line += "): " + Hex4(f.value);
      if (!p.Plausible(f.value)) line += " (perdida: se esperaba " + std::string(p.shape) + ")";
    } else {
      line += ", bits " + std::to_string(15 - std::countl_zero(p.mask)) + ":" +
              std::to_string(std::countr_zero(p.mask)) + "): " + std::to_string(p.Field(f.value));
      if (detail::LooksLost(bits.entries.back(), *model->family)) {
        line += " (dudoso: la palabra se lee borrada)";
      }
    }
    op.Output(line);
  }
  if (const std::string pending = detail::PendingRestoreLine(op, *model->family, bits);
      !pending.empty()) {
    op.Output(pending);
  }
  return result::kOk;
}

bool Readable(const std::string& path) {
  // Only a regular file, as the HEX reader takes: opening a FIFO here would wait for a writer
  // that may never come.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  // Asked, not opened: the operation opens and reads the file once.
  return ::access(path.c_str(), R_OK) == 0;
}

}  // namespace

bool DataOnStandardOutput(const Request& request) {
  const bool writes = request.command == Command::Read || request.command == Command::Dump;
  return writes && (request.file.empty() || request.file == kStandardStream);
}

std::string ViewFile(const Request& request, TerminalOperator& op) {
  const DeviceModel* model = ModelByIndex(request.modelIndex);
  const ImageLimits limits =
      model != nullptr && request.modelIndex != 0 ? ImageLimitsOf(*model) : ImageLimits{8192, 256};
  const HexLoadResult loaded = LoadHexImage(request.file, limits);
  if (loaded.status != HexStatus::Ok) {
    std::string text = loaded.description;
    if (text.empty()) text = "El archivo " + request.file + " no es un archivo HEX válido";
    op.Message("Error", text);
    return loaded.status == HexStatus::ReadFailure   ? kFileError
           : loaded.status == HexStatus::FormatError ? result::kFormatError
                                                     : result::kSizeError;
  }
  const std::string listing = MemoryListing(ContentsOfImage(loaded.image, limits));
  std::fwrite(listing.data(), 1, listing.size(), stdout);
  return std::fflush(stdout) == 0 ? result::kOk : kFileError;
}

std::string CheckFiles(const Request& request, TerminalOperator& op) {
  switch (request.command) {
    case Command::Program:
    case Command::Verify:
      if (!Readable(request.file)) {
        op.Message("Error", "No se puede leer el archivo " + request.file);
        return kFileError;
      }
      break;
    case Command::Read:
    case Command::Dump:
      if (request.file.empty() || request.file == kStandardStream) break;
      // Said before the chip is read: a folder, an existing file without --force, a
      // read-only file or folder, a link that leads nowhere it could write.
      if (std::string problem = sim::CheckWritable(request.file, request.force); !problem.empty()) {
        op.Message("Error", problem);
        return kFileError;
      }
      break;
    default:
      break;
  }
  return {};
}

namespace {

std::string Dispatch(const Request& request, Link& link, TerminalOperator& op) {
  switch (request.command) {
    case Command::Detect:
      return Detect(link, op);
    case Command::Program:
      return Program(request, link, op);
    case Command::Verify:
      return VerifyDevice(request.file, link, op);
    case Command::Erase:
      return EraseDevice(link, op);
    case Command::Run:
      return RunMode(request, link, op);
    case Command::Read:
      return Read(request, link, op);
    case Command::Info:
      return Info(link, op);
    case Command::LineTest:
      return RunLineTest(request, link, op);
    case Command::Blank:
      return Blank(link, op);
    case Command::Dump:
      return Dump(request, link, op);
  }
  return result::kNone;
}

// The word a command ends with when the port fails outside the operations' own guard
// (detection, the detection before composing a configuration, run mode).
const char* FailureWordOf(Command command) {
  return command == Command::Program ? result::kProgramFailure : result::kNone;
}

}  // namespace

std::string RunCommand(const Request& request, Link& link, TerminalOperator& op) {
  op.SetModelIndex(request.modelIndex);
  // The device operations catch their own failures; detection and run mode are called here
  // directly, and an adapter lost during them must still end with the lines at 0 and a message.
  return detail::Guarded(link, op, FailureWordOf(request.command),
                         [&] { return Dispatch(request, link, op); });
}

int ExitStatusForResult(std::string_view result) {
  if (result == result::kOk) return exit_status::kOk;
  if (result == result::kFormatError || result == result::kSizeError ||
      result == result::kConfigError || result == kFileError) {
    return exit_status::kFileFailure;
  }
  if (result == result::kNone) return exit_status::kNothingDone;
  if (result == result::kAbandoned) return exit_status::kInterrupted;
  return exit_status::kDeviceFailure;
}

int StatusAfterSignal(int status, std::string_view result, bool signalledBeforeResult) {
  if (!signalledBeforeResult || result == result::kOk) return status;
  return exit_status::kInterrupted;
}

MemoryScope ScopeOf(const std::string& only) {
  if (only.empty()) return {};
  return {.program = only == "program",
          .eeprom = only == "eeprom",
          .ids = only == "id",
          .config = only == "config"};
}

std::string CheckOnly(const Request& request) {
  if (request.only.empty()) return {};
  const Command c = request.command;
  const bool narrows =
      c == Command::Program || c == Command::Verify || c == Command::Read || c == Command::Erase;
  if (!narrows) return "--only: solo con program, verify, read y erase";
  const bool writes = c == Command::Program || c == Command::Erase;
  if (writes && request.only != "eeprom") {
    return "--only " + request.only +
           ": program y erase solo pueden tomar la EEPROM sola (eeprom); cambiar la memoria de "
           "programa, los ID o la configuración pide un borrado que alcanza al resto";
  }
  const DeviceModel* model = ModelByIndex(request.modelIndex);
  if (request.only == "eeprom" && model != nullptr && model->eepromBytes == 0) {
    return "--only eeprom: el " + std::string(model->modelName) + " no tiene EEPROM";
  }
  return {};
}

}  // namespace daxwel::cli
