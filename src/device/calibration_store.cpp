#include "device/calibration_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace daxwel {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kPartMask = 0x3FE0;  // the device ID without its revision
constexpr std::string_view kSuffix = ".cal";

std::string Hex4(unsigned value, bool prefix) {
  char text[16];
  std::snprintf(text, sizeof text, prefix ? "0x%04X" : "%04X", value & 0xFFFFu);
  return text;
}

std::optional<unsigned> ParseHex(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string NowUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

std::string Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case ENOSPC:
      return "no queda espacio en el disco";
    case EROFS:
      return "el disco es de solo lectura";
    case ENOTDIR:
      return "una parte de la ruta no es una carpeta";
    default:
      return std::generic_category().message(error);
  }
}

// Written to a temporary file beside `path` and renamed over it, so a reader finds the old
// record or the new one, never half of one.
int WriteAtomically(const std::string& path, const std::string& text) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  int error = 0;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself survives a power cut only once the folder is on disk.
  const int dir = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

// A record file's text; nullopt when it is not one, or not the chip its name says.
std::optional<CalibrationRecord> Parse(const std::string& text, std::uint16_t deviceId,
                                       std::uint16_t osccal) {
  CalibrationRecord record;
  bool device = false;
  bool word = false;
  bool bandGap = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t eq = line.find('=');
    if (line.empty() || line.front() == '#' || eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = line.substr(eq + 1);
    const std::optional<unsigned> number = ParseHex(value);
    if (key == "device" && number && *number <= 0x3FFF) {
      record.deviceId = static_cast<std::uint16_t>(*number);
      device = true;
    } else if (key == "osccal" && number && *number <= 0x3FFF) {
      record.osccal = static_cast<std::uint16_t>(*number);
      word = true;
    } else if (key == "bg" && number && *number <= 3) {
      record.bandGap = static_cast<std::uint16_t>(*number);
      bandGap = true;
    } else if (key == "saved") {
      record.savedAt = std::string(value);
    }
  }
  if (!device || !word || !bandGap || record.deviceId != deviceId || record.osccal != osccal ||
      !IsCalibrationWord(record.osccal)) {
    return std::nullopt;
  }
  return record;
}

std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[512];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (text.size() > 4096) return std::nullopt;  // no record is this long
  }
  return text;
}

}  // namespace

bool IsCalibrationWord(std::uint16_t word) { return (word & 0x3C00) == 0x3400; }

std::string CalibrationFolder(const char* xdgDataHome, const char* home) {
  // As the XDG base directory rules say: a relative XDG_DATA_HOME is invalid and ignored.
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
    return (fs::path(xdgDataHome) / "daxwel").string();
  }
  if (home != nullptr && home[0] == '/') {
    return (fs::path(home) / ".local" / "share" / "daxwel").string();
  }
  return {};
}

std::string DefaultCalibrationFolder() {
  return CalibrationFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

CalibrationStore::CalibrationStore(std::string folder) : folder_(std::move(folder)) {}

std::string CalibrationStore::PathOf(std::uint16_t deviceId, std::uint16_t osccal) const {
  return (fs::path(folder_) / (Hex4(deviceId, false) + "-" + Hex4(osccal, false))).string() +
         std::string(kSuffix);
}

std::string CalibrationStore::Save(CalibrationRecord record) const {
  const std::string osccal = Hex4(record.osccal, true);
  if (record.osccal == 0x3FFF) {
    return "OSCCAL " + osccal + " no es una calibración: es la palabra borrada";
  }
  if (record.osccal == 0x0000) {
    return "OSCCAL " + osccal + " no es una calibración: el PIC no respondió";
  }
  if (!IsCalibrationWord(record.osccal)) {
    return "OSCCAL " + osccal + " no es una instrucción RETLW (0x3400 a 0x37FF)";
  }
  if (record.bandGap > 3) return "Los bits BG van de 0 a 3";
  if (record.deviceId == 0 || record.deviceId >= 0x3FFF) {
    return "ID del dispositivo " + Hex4(record.deviceId, true) + ": ningún PIC respondió";
  }
  if (folder_.empty()) {
    return "No hay carpeta de datos del usuario donde guardar la calibración (ni XDG_DATA_HOME "
           "ni HOME)";
  }
  const std::string path = PathOf(record.deviceId, record.osccal);
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) return "No se puede crear la carpeta " + folder_ + ": " + Reason(ec.value());
  record.savedAt = NowUtc();
  std::string text = "# Calibración de fábrica de un PIC, la última leída bien\n";
  text += "device=" + Hex4(record.deviceId, true) + "\n";
  text += "osccal=" + osccal + "\n";
  text += "bg=" + std::to_string(record.bandGap) + "\n";
  text += "saved=" + record.savedAt + "\n";
  if (const int error = WriteAtomically(path, text); error != 0) {
    return "No se puede guardar la calibración en " + path + ": " + Reason(error);
  }
  return {};
}

std::optional<CalibrationRecord> CalibrationStore::Load(std::uint16_t deviceId,
                                                        std::uint16_t osccal) const {
  if (folder_.empty()) return std::nullopt;
  const std::optional<std::string> text = ReadWhole(PathOf(deviceId, osccal));
  if (!text) return std::nullopt;
  return Parse(*text, deviceId, osccal);
}

std::vector<CalibrationRecord> CalibrationStore::List(std::optional<std::uint16_t> deviceId) const {
  std::vector<CalibrationRecord> records;
  if (folder_.empty()) return records;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // "DDDD-OOOO.cal": the file name is the key.
    if (name.size() != 9 + kSuffix.size() || name[4] != '-' ||
        name.compare(9, kSuffix.size(), kSuffix) != 0) {
      continue;
    }
    const auto id = ParseHex(std::string_view(name).substr(0, 4));
    const auto word = ParseHex(std::string_view(name).substr(5, 4));
    if (!id || !word) continue;
    if (deviceId && (*id & kPartMask) != (*deviceId & kPartMask)) continue;
    if (auto record = Load(static_cast<std::uint16_t>(*id), static_cast<std::uint16_t>(*word))) {
      records.push_back(std::move(*record));
    }
  }
  std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
    return a.deviceId != b.deviceId ? a.deviceId < b.deviceId : a.osccal < b.osccal;
  });
  return records;
}

}  // namespace daxwel
