#include "link/port_map.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

namespace daxwel {
namespace {

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<int> PortNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "parport";
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix)
    return std::nullopt;
  const std::string_view digits = name.substr(kPrefix.size());
  int number = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

}  // namespace

std::optional<std::uint16_t> ParseBaseAddr(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  unsigned long value = 0;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end == first) return std::nullopt;
  if (end != last && !std::isspace(static_cast<unsigned char>(*end))) return std::nullopt;
  if (value == 0 || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::vector<ParportEntry> ListParports(const std::filesystem::path& procRoot) {
  std::vector<ParportEntry> ports;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(procRoot, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::optional<int> number = PortNumber(name);
    if (!number) continue;  // "default" and anything else
    const std::optional<std::string> text = ReadSmallFile(it->path() / "base-addr");
    if (!text) continue;
    const std::optional<std::uint16_t> base = ParseBaseAddr(*text);
    if (!base) continue;
    ports.push_back({name, *number, *base});
  }
  std::sort(ports.begin(), ports.end(),
            [](const ParportEntry& a, const ParportEntry& b) { return a.number < b.number; });
  return ports;
}

std::optional<ParportEntry> FindParportAt(const std::filesystem::path& procRoot,
                                          std::uint16_t base) {
  for (const ParportEntry& port : ListParports(procRoot))
    if (port.base == base) return port;
  return std::nullopt;
}

std::optional<ParportEntry> FindParportNamed(const std::filesystem::path& procRoot,
                                             std::string_view name) {
  for (const ParportEntry& port : ListParports(procRoot))
    if (port.name == name) return port;
  return std::nullopt;
}

std::string ActiveDevice(const std::filesystem::path& procRoot, std::string_view name) {
  const std::optional<std::string> text =
      ReadSmallFile(procRoot / std::string(name) / "devices" / "active");
  if (!text) return {};
  std::string word;
  for (char c : *text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) break;
    } else {
      word += c;
    }
  }
  return word;
}

std::string HexAddress(std::uint16_t address) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(address));
  return text;
}

}  // namespace daxwel
