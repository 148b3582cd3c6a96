#include "link/saved_adapter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "link/ppdev_port.h"

namespace daxwel {

namespace {

constexpr std::string_view kSection = "adaptador";
constexpr std::string_view kNameKey = "nombre";
constexpr std::string_view kDelayKey = "retardo";

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A value as written here or by earlier versions (QSettings): plain, or in quotes with its
// backslash escapes (a quote, a backslash, xNNNN).
std::string Unquoted(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::string(value);
  value = value.substr(1, value.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    if (next != 'x') {
      out += next;
      continue;
    }
    unsigned code = 0;
    const char* first = value.data() + i + 1;
    const char* last = value.data() + std::min(value.size(), i + 5);
    const auto [end, ec] = std::from_chars(first, last, code, 16);
    if (ec != std::errc()) {
      out += "\\x";
      continue;
    }
    AppendUtf8(out, code);
    i += static_cast<std::size_t>(end - first);
  }
  return out;
}

std::string Quoted(const std::string& value) {
  const bool plain = !value.empty() && value.front() != ' ' && value.back() != ' ' &&
                     value.find_first_of("\"\\;#") == std::string::npos;
  if (plain) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string ConfigBase() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config";
}

// The named adapter, with the delay saved beside it.
void Resolve(SavedAdapter& saved, const std::string& file, const std::string& name,
             std::string_view delayText, int delayLine) {
  saved.found = true;
  if (std::string problem = ResolveAdapter(name, saved.choice); !problem.empty()) {
    saved.problem = "Adaptador guardado en " + Printable(file) + ": " + problem;
    return;
  }
  if (delayLine == 0) return;
  int us = -1;
  const auto [end, ec] = std::from_chars(delayText.data(), delayText.data() + delayText.size(), us);
  if (ec != std::errc() || end != delayText.data() + delayText.size() || us < 0 ||
      us > kMaxExtraHalfPeriodUs) {
    saved.problem =
        Printable(file + ":" + std::to_string(delayLine) + ": retardo=" + std::string(delayText) +
                  ": se esperan microsegundos, de 0 a " + std::to_string(kMaxExtraHalfPeriodUs));
    return;
  }
  saved.choice.extraHalfPeriod = std::chrono::microseconds(us);
}

}  // namespace

std::filesystem::path SavedAdapterFile() {
  return std::filesystem::path(ConfigBase()) / "daxwel" / "daxwel.conf";
}

SavedAdapter ParseSavedAdapter(std::string_view text, const std::string& file) {
  SavedAdapter saved;
  std::string section;
  std::string name;
  std::string_view delay;
  int delayLine = 0;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = std::string(Trimmed(line.substr(1, line.size() - 2)));
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      saved.found = true;
      saved.problem = Printable(file + ":" + std::to_string(number) +
                                ": línea no válida (se espera clave=valor)");
      return saved;
    }
    if (section != kSection) continue;  // other settings are not the adapter's
    const std::string_view key = Trimmed(line.substr(0, eq));
    const std::string_view value = Trimmed(line.substr(eq + 1));
    if (key == kNameKey) name = Unquoted(value);
    if (key == kDelayKey) {
      delay = value;
      delayLine = number;
    }
  }
  if (!name.empty()) Resolve(saved, file, name, delay, delayLine);
  return saved;
}

SavedAdapter LoadSavedAdapter() {
  const std::filesystem::path path = SavedAdapterFile();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {};  // nothing chosen yet
  std::string text;
  if (std::string problem = ReadSmallFile(path, text); !problem.empty()) {
    SavedAdapter saved;
    saved.found = true;
    saved.problem = Printable("Adaptador guardado en " + path.string() + ": " + problem);
    return saved;
  }
  return ParseSavedAdapter(text, path.string());
}

std::string SaveAdapter(const AdapterChoice& choice) {
  const std::filesystem::path path = SavedAdapterFile();
  const std::string cannot =
      "No se pudo guardar el adaptador en " + Printable(path.string()) + ": ";
  if (choice.name.find_first_of("\r\n") != std::string::npos) {
    return cannot + "el nombre tiene un salto de línea";
  }
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  // Appended piece by piece: GCC 12 misreads "literal" + std::string as overlapping copies.
  std::string text(1, '[');
  text.append(kSection).append("]\n").append(kNameKey).append("=");
  text.append(Quoted(choice.name)).append("\n").append(kDelayKey).append("=");
  text.append(std::to_string(choice.extraHalfPeriod.count())).append("\n");
  // A new file renamed into place: a reader never sees half of it.
  const std::string temp = path.string() + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return cannot + ErrorText(errno);
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const int writeError = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temp.c_str());
    return cannot + ErrorText(written ? errno : writeError);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return cannot + ErrorText(error);
  }
  return {};
}

}  // namespace daxwel
