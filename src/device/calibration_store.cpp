#include "device/calibration_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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

constexpr std::string_view kFileName = "calibraciones.txt";
constexpr std::string_view kLegacySuffix = ".cal";

constexpr struct {
  RecordKind kind;
  std::string_view word;
} kKindWords[] = {{RecordKind::kRead, "leida"},
                  {RecordKind::kByHand, "a-mano"},
                  {RecordKind::kPending, "pendiente"},
                  {RecordKind::kRestored, "restaurada"}};

std::string_view WordOf(RecordKind kind) {
  for (const auto& k : kKindWords) {
    if (k.kind == kind) return k.word;
  }
  return "?";
}

std::optional<RecordKind> KindOf(std::string_view word) {
  for (const auto& k : kKindWords) {
    if (k.word == word) return k.kind;
  }
  return std::nullopt;
}

std::string ValueText(std::uint16_t value) {
  return value < 10 ? std::to_string(value) : Hex4(value, true);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < line.size()) {
    const std::size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// "2026-12-08T01:02:03Z 0x0FC5 leida OSCCAL=0x3490 BG=2"; nullopt for anything else.
std::optional<CalibrationRecord> ParseLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string_view> f = Fields(line);
  if (f.size() < 4 || f[0].front() == '#') return std::nullopt;
  CalibrationRecord record;
  record.savedAt = std::string(f[0]);
  const auto id = ParseHex(f[1]);
  const auto kind = KindOf(f[2]);
  if (!id || *id == 0 || *id >= 0x3FFF || !kind) return std::nullopt;
  record.deviceId = static_cast<std::uint16_t>(*id);
  record.kind = *kind;
  for (std::size_t i = 3; i < f.size(); ++i) {
    const std::size_t eq = f[i].find('=');
    if (eq == 0 || eq == std::string_view::npos) return std::nullopt;
    const auto value = ParseCalibrationValue(f[i].substr(eq + 1));
    if (!value) return std::nullopt;
    record.values.push_back({std::string(f[i].substr(0, eq)), *value});
  }
  return record;
}

std::string LineOf(const CalibrationRecord& r) {
  std::string line = r.savedAt + " " + Hex4(r.deviceId, true) + " " + std::string(WordOf(r.kind));
  for (const CalibrationValue& v : r.values) line += " " + v.name + "=" + ValueText(v.value);
  return line + "\n";
}

std::optional<std::string> ReadWhole(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (text.size() > limit) return std::nullopt;
  }
  return text;
}

// A record of the earlier layout: "device=", the values by name in lower case, "saved=".
std::optional<CalibrationRecord> ParseLegacy(const std::string& text) {
  CalibrationRecord record;
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
    if (key == "saved") {
      record.savedAt = std::string(value);
      continue;
    }
    const auto number = ParseHex(value);
    if (!number || *number > 0x3FFF) return std::nullopt;
    if (key == "device") {
      record.deviceId = static_cast<std::uint16_t>(*number);
      continue;
    }
    std::string name(key);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    record.values.push_back({name, static_cast<std::uint16_t>(*number)});
  }
  if (record.deviceId == 0 || record.deviceId >= 0x3FFF || record.values.empty()) {
    return std::nullopt;
  }
  return record;
}

bool SamePart(std::uint16_t a, std::uint16_t b) { return (a & kPartMask) == (b & kPartMask); }

// Appends `line` and waits until it is on the disk, with the folder entry of a new file too.
int AppendSynced(const std::string& path, const std::string& line) {
  const bool existed = fs::exists(path);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  int error = 0;
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && !existed) {
    const int dir =
        ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return errno;
    if (::fsync(dir) != 0) error = errno;
    ::close(dir);
  }
  return error;
}

}  // namespace

std::optional<std::uint16_t> ParseCalibrationValue(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const auto hex = ParseHex(text);
    if (!hex || *hex > 0x3FFF) return std::nullopt;
    return static_cast<std::uint16_t>(*hex);
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0x3FFF) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

std::optional<std::uint16_t> CalibrationRecord::Value(std::string_view name) const {
  for (const CalibrationValue& v : values) {
    if (v.name == name) return v.value;
  }
  return std::nullopt;
}

std::string CalibrationRecord::Describe() const {
  std::string text;
  for (const CalibrationValue& v : values) {
    if (!text.empty()) text += ", ";
    text += v.name + " " + ValueText(v.value);
  }
  return text;
}

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

std::string CalibrationStore::FilePath() const {
  return (fs::path(folder_) / std::string(kFileName)).string();
}

std::string CalibrationStore::Append(CalibrationRecord record) const {
  if (record.deviceId == 0 || record.deviceId >= 0x3FFF) {
    return "ID del dispositivo " + Hex4(record.deviceId, true) + ": ningún PIC respondió";
  }
  if (record.values.empty()) return "No hay valores de calibración que guardar";
  for (const CalibrationValue& v : record.values) {
    const bool plainName = !v.name.empty() && v.name.find_first_of(" =\n\r") == std::string::npos;
    if (!plainName || v.value > 0x3FFF) return "Valor de calibración no válido: " + v.name;
  }
  if (folder_.empty()) {
    return "No hay carpeta de datos del usuario donde guardar la calibración (ni XDG_DATA_HOME "
           "ni HOME)";
  }
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) return "No se puede crear la carpeta " + folder_ + ": " + Reason(ec.value());
  record.savedAt = NowUtc();
  if (const int error = AppendSynced(FilePath(), LineOf(record)); error != 0) {
    return "No se puede guardar la calibración en " + FilePath() + ": " + Reason(error);
  }
  return {};
}

std::vector<CalibrationRecord> CalibrationStore::Legacy(
    std::optional<std::uint16_t> deviceId) const {
  std::vector<CalibrationRecord> records;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    if (path.extension() != kLegacySuffix || !it->is_regular_file(ec)) continue;
    const auto text = ReadWhole(path.string(), 4096);
    auto record = text ? ParseLegacy(*text) : std::nullopt;
    if (!record || (deviceId && !SamePart(record->deviceId, *deviceId))) continue;
    records.push_back(std::move(*record));
  }
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return a.savedAt < b.savedAt; });
  return records;
}

std::vector<CalibrationRecord> CalibrationStore::History(
    std::optional<std::uint16_t> deviceId) const {
  if (folder_.empty()) return {};
  std::vector<CalibrationRecord> records = Legacy(deviceId);
  // Far more than a lifetime of chips; a file past it is not ours.
  const auto text = ReadWhole(FilePath(), 16 * 1024 * 1024);
  if (!text) return records;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    auto record = ParseLine(std::string_view(*text).substr(start, end - start));
    start = end + 1;
    if (!record || (deviceId && !SamePart(record->deviceId, *deviceId))) continue;
    records.push_back(std::move(*record));
  }
  return records;
}

std::vector<CalibrationRecord> CalibrationStore::Candidates(std::uint16_t deviceId) const {
  const std::vector<CalibrationRecord> history = History(deviceId);
  std::vector<CalibrationRecord> candidates;
  for (auto it = history.rbegin(); it != history.rend(); ++it) {
    if (it->kind == RecordKind::kRestored) continue;
    const bool known = std::any_of(candidates.begin(), candidates.end(),
                                   [&](const auto& c) { return c.SameValues(*it); });
    if (!known) candidates.push_back(*it);
  }
  return candidates;
}

std::optional<CalibrationRecord> CalibrationStore::Pending(std::uint16_t deviceId) const {
  std::optional<CalibrationRecord> open;
  for (CalibrationRecord& r : History(deviceId)) {
    if (r.deviceId != deviceId) continue;
    if (r.kind == RecordKind::kPending) open = std::move(r);
    if (r.kind == RecordKind::kRestored) open.reset();
  }
  return open;
}

}  // namespace daxwel
