#include "link/user_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "link/adapters.h"
#include "link/ppdev_port.h"

namespace daxwel {

namespace {

constexpr std::array kNames{
    SettingName{Setting::Port, "puerto", "DAXWEL_PORT", "daxwel", "puerto"},
    SettingName{Setting::Model, "modelo", "DAXWEL_MODEL", "daxwel", "modelo"},
    SettingName{Setting::Adapter, "adaptador", "DAXWEL_ADAPTER", "adaptador", "nombre"},
    SettingName{Setting::AdapterDelay, "retardo", "DAXWEL_ADAPTER_DELAY", "adaptador", "retardo"},
};

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

std::string ConfigBase() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config";
}

// The file's lines with the changes made in place; keys not found go at the end of their
// section, or in a new section at the end.
std::string Rewritten(std::string_view old, std::vector<SettingLine> changes) {
  std::vector<std::string> lines;
  std::vector<std::string> sectionOf;
  std::string section;
  while (!old.empty()) {
    const std::size_t end = old.find('\n');
    const std::string_view line = old.substr(0, end);
    old = end == std::string_view::npos ? std::string_view() : old.substr(end + 1);
    const std::string_view trimmed = Trimmed(line);
    std::string text(line);
    if (!trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']') {
      section = std::string(Trimmed(trimmed.substr(1, trimmed.size() - 2)));
    } else if (const std::size_t eq = trimmed.find('='); eq != std::string_view::npos) {
      const std::string_view key = Trimmed(trimmed.substr(0, eq));
      for (SettingLine& c : changes) {
        if (c.line == 0 && c.section == section && c.key == key) {
          text = c.key + "=" + QuotedSetting(c.value);
          c.line = -1;
        }
      }
    }
    lines.push_back(text);
    sectionOf.push_back(section);
  }
  for (const SettingLine& c : changes) {
    if (c.line != 0) continue;
    auto at = lines.end();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (sectionOf[i] == c.section && !Trimmed(lines[i]).empty()) {
        at = lines.begin() + static_cast<std::ptrdiff_t>(i) + 1;
      }
    }
    std::string text = c.key + "=" + QuotedSetting(c.value);
    if (at == lines.end() &&
        std::find(sectionOf.begin(), sectionOf.end(), c.section) == sectionOf.end()) {
      lines.push_back("[" + c.section + "]");
      sectionOf.push_back(c.section);
      at = lines.end();
    }
    const auto index = at - lines.begin();
    lines.insert(at, text);
    sectionOf.insert(sectionOf.begin() + index, c.section);
  }
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\n");
  return text;
}

}  // namespace

std::filesystem::path SettingsFile() {
  return std::filesystem::path(ConfigBase()) / "daxwel" / "daxwel.conf";
}

const SettingLine* SettingsText::Find(std::string_view section, std::string_view key) const {
  const SettingLine* found = nullptr;
  for (const SettingLine& e : entries) {
    if (e.section == section && e.key == key) found = &e;  // the last one given counts
  }
  return found;
}

SettingsText ParseSettings(std::string_view text, const std::string& file) {
  SettingsText settings;
  std::string section;
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
      settings.problem = Printable(file + ":" + std::to_string(number) +
                                   ": línea no válida (se espera clave=valor)");
      return settings;
    }
    settings.entries.push_back({section, std::string(Trimmed(line.substr(0, eq))),
                                Unquoted(Trimmed(line.substr(eq + 1))), number});
  }
  return settings;
}

SettingsText LoadSettings() {
  const std::filesystem::path path = SettingsFile();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {};  // nothing saved yet
  std::string text;
  if (std::string problem = ReadSmallFile(path, text); !problem.empty()) {
    SettingsText settings;
    settings.problem = Printable(path.string() + ": " + problem);
    settings.unreadable = true;
    return settings;
  }
  return ParseSettings(text, path.string());
}

std::string SaveSettings(const std::vector<SettingLine>& changes, std::string_view what) {
  const std::filesystem::path path = SettingsFile();
  std::string cannot("No se pudo guardar ");
  cannot.append(what).append(" en ").append(Printable(path.string())).append(": ");
  // Values with a line break would read back as other lines.
  for (const SettingLine& c : changes) {
    if (c.value.find_first_of("\r\n") != std::string::npos) {
      return cannot + "el valor de " + c.key + " tiene un salto de línea";
    }
  }
  std::string old;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (std::string problem = ReadSmallFile(path, old); !problem.empty()) return cannot + problem;
  }
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const std::string text = Rewritten(old, changes);
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

std::span<const SettingName> SettingNames() { return kNames; }

const SettingName& NameOf(Setting setting) {
  for (const SettingName& n : kNames) {
    if (n.setting == setting) return n;
  }
  return kNames.front();
}

DefaultValue FindDefault(Setting setting, const SettingsText& file) {
  const SettingName& name = NameOf(setting);
  const std::string variable(name.variable);
  // An empty variable is one left unset by mistake, never a value.
  if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
    return {value, variable};
  }
  if (const SettingLine* line = file.Find(name.section, name.key)) {
    return {line->value, SettingsFile().string() + ":" + std::to_string(line->line)};
  }
  return {};
}

std::string QuotedSetting(const std::string& value) {
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

}  // namespace daxwel
