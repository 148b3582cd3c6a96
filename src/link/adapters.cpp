#include "link/adapters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "link/ppdev_port.h"
#include "link/shipped_data.h"

namespace daxwel {

namespace {

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

AdapterTable ReadAdapterTable(const std::optional<std::filesystem::path>& file) {
  AdapterTable table;
  const std::string cannot = "No se puede usar la tabla de adaptadores que trae Daxwel: ";
  if (!file) {
    table.problem = cannot + "no se encontró " + std::string(kAdapterTableName) +
                    " (se busca en $DAXWEL_DATA_DIR y en share/daxwel junto al programa); "
                    "reinstale Daxwel";
    return table;
  }
  table.file = *file;
  std::string text;
  std::string problem = ReadSmallFile(*file, text);
  if (!problem.empty()) {
    problem = file->string() + ": " + problem;
  } else {
    problem = ParseAdapterTable(text, file->string(), table.presets);
  }
  if (!problem.empty()) {
    table.presets.clear();
    table.problem = Printable(cannot + problem);
  }
  return table;
}

const AdapterTable& ShippedAdapters() {
  static const AdapterTable table = ReadAdapterTable(ShippedDataFile(kAdapterTableName));
  return table;
}

std::span<const AdapterPreset> AdapterPresets() { return ShippedAdapters().presets; }

const AdapterPreset* FindAdapterPreset(std::string_view name) {
  for (const AdapterPreset& preset : AdapterPresets()) {
    if (preset.name == name) return &preset;
  }
  return nullptr;
}

namespace {

AdapterChoice ChoiceOf(const AdapterPreset& preset) {
  return {preset.name, preset.wiring, std::chrono::microseconds(preset.extraHalfPeriodUs)};
}

}  // namespace

AdapterChoice DefaultAdapter() {
  if (AdapterPresets().empty()) return {std::string(), Wiring{}, {}};
  return ChoiceOf(AdapterPresets().front());
}

std::string ParseWiringText(std::string_view text, std::string_view fileName,
                            AdapterChoice& choice) {
  AdapterPreset adapter;
  const std::string problem = ParseAdapterFile(text, fileName, ShippedAdapters(), adapter);
  if (!problem.empty()) return Printable(problem);
  choice = ChoiceOf(adapter);
  return {};
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
  // "mio" names mio.ini too, as `adapters` lists it; the exact name wins.
  for (const std::string& file : {std::string(name), std::string(name) + ".ini"}) {
    const std::filesystem::path inFolder = UserAdapterFolder() / file;
    struct stat st {};
    if (::lstat(inFolder.c_str(), &st) == 0) return inFolder;
  }
  return std::nullopt;
}

std::vector<OwnAdapter> UserAdapters() {
  std::vector<OwnAdapter> own;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(UserAdapterFolder(), error)) {
    const std::string name = item.path().filename().string();
    if (name.front() == '.' || item.is_directory(error)) continue;
    OwnAdapter file{item.path(), {}, {}};
    std::string text;
    if (std::string problem = ReadSmallFile(item.path(), text); !problem.empty()) {
      file.problem = Printable(item.path().string() + ": " + problem);
    } else {
      file.problem =
          Printable(ParseAdapterFile(text, item.path().string(), ShippedAdapters(), file.adapter));
    }
    // Listed by the name --adapter takes: without the .ini a file's name may end in.
    const bool ini = item.path().extension() == ".ini" && name.size() > 4;
    file.adapter.name = ini ? item.path().stem().string() : name;
    own.push_back(std::move(file));
  }
  std::sort(own.begin(), own.end(),
            [](const OwnAdapter& a, const OwnAdapter& b) { return a.path < b.path; });
  return own;
}

std::string ResolveAdapter(std::string_view nameOrFile, AdapterChoice& choice) {
  if (nameOrFile.empty()) {
    return "Falta el nombre del adaptador (un modelo de 'daxwel-cli adapters' o un archivo)";
  }
  // The user's own file of a preset's name is what the user meant: it hides the preset.
  const std::optional<std::filesystem::path> own = UserAdapterFile(nameOrFile);
  const AdapterPreset* preset = FindAdapterPreset(nameOrFile);
  if (preset != nullptr && !own) {
    choice = ChoiceOf(*preset);
    return {};
  }
  std::filesystem::path path(nameOrFile);
  // Without the table a bare name may be a preset's: a file of that name here is not taken
  // for it.
  const std::string& tableProblem = ShippedAdapters().problem;
  if (!own && !tableProblem.empty() && !path.has_parent_path()) {
    return tableProblem + " (un archivo propio se usa con su ruta o desde " +
           Printable(UserAdapterFolder().string()) + ")";
  }
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

}  // namespace daxwel
