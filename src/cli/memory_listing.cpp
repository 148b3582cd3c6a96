#include "cli/memory_listing.h"

#include <cstdio>
#include <span>

namespace daxwel::cli {

namespace {

std::string HexText(int value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// Rows of `perRow` values from address `base`, leaving out those that are all `erased`.
template <typename T>
void AppendRows(std::string& out, std::span<const T> values, int perRow, int digits, T erased) {
  for (std::size_t start = 0; start < values.size(); start += static_cast<std::size_t>(perRow)) {
    const auto row = values.subspan(start, std::min<std::size_t>(perRow, values.size() - start));
    bool blank = true;
    for (T v : row) blank = blank && v == erased;
    if (blank) continue;
    out.append(HexText(static_cast<int>(start), 4)).append(":");
    // Appended apart: GCC 12 misreads " " + std::string as overlapping copies.
    for (T v : row) out.append(" ").append(HexText(v, digits));
    out += "\n";
  }
}

}  // namespace

std::string MemoryListing(const ChipContents& contents) {
  std::string out = "Memoria de programa\n";
  AppendRows<std::uint16_t>(out, contents.program, 8, 4, 0x3FFF);
  out += "Memoria de datos (EEPROM)\n";
  AppendRows<std::uint8_t>(out, contents.eeprom, 16, 2, 0xFF);
  out.append("ID\n").append(HexText(contents.configBase, 4)).append(":");
  for (std::uint16_t id : contents.ids) out.append(" ").append(HexText(id, 4));
  out += "\nConfiguración\n";
  if (!contents.Config()) return out;
  // From the configuration word on, a line for each run of consecutive words.
  int next = -1;
  for (const auto& [address, word] : contents.configMemory) {
    if (address < contents.configBase + 7) continue;
    if (address != next) {
      if (next >= 0) out += "\n";
      out.append(HexText(address, 4)).append(":");
    }
    out.append(" ").append(HexText(word, 4));
    next = address + 1;
  }
  out += "\n";
  return out;
}

ChipContents ContentsOfImage(const HexImage& image, ImageLimits limits) {
  ChipContents c;
  for (int a = 0; a < limits.programWords && a < static_cast<int>(image.ProgramWords.size()); ++a) {
    c.program.push_back(static_cast<std::uint16_t>(image.ProgramWords[a] & 0x3FFF));
  }
  for (int i = 0; i < limits.eepromBytes && i < static_cast<int>(image.EepromWords.size()); ++i) {
    c.eeprom.push_back(static_cast<std::uint8_t>(image.EepromWords[i] & 0xFF));
  }
  c.configBase = image.ConfigBase;
  const auto has = image.HasId();
  const auto ids = image.IdWords();
  for (std::size_t j = 0; j < c.ids.size(); ++j) {
    if (has[j]) c.ids[j] = static_cast<std::uint16_t>(ids[j] & 0x3FFF);
  }
  for (const auto& [address, word] : image.ConfigWords) {
    if (address >= image.ConfigBase + 4) c.configMemory[address] = word & 0x3FFF;
  }
  return c;
}

}  // namespace daxwel::cli
