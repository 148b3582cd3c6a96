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
  out += "ID\n2000:";
  for (std::uint16_t id : contents.ids) out.append(" ").append(HexText(id, 4));
  out += "\nConfiguración\n";
  if (contents.config) {
    out.append("2007: ").append(HexText(*contents.config, 4));
    if (contents.word2008) out.append(" ").append(HexText(*contents.word2008, 4));
    if (contents.word2008 && contents.word2009) {
      out.append(" ").append(HexText(*contents.word2009, 4));
    }
    out += "\n";
  }
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
  for (std::size_t j = 0; j < c.ids.size(); ++j) {
    if (image.HasId[j]) c.ids[j] = static_cast<std::uint16_t>(image.IdWords[j] & 0x3FFF);
  }
  auto word = [](const std::string& bits) -> std::optional<std::uint16_t> {
    if (bits.empty()) return std::nullopt;
    return static_cast<std::uint16_t>(FromBitString(bits) & 0x3FFF);
  };
  c.config = word(image.FileConfig);
  c.word2008 = word(image.FileWord2008);
  c.word2009 = word(image.FileWord2009);
  return c;
}

}  // namespace daxwel::cli
