#include "image/hex_writer.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace daxwel {

namespace {

constexpr std::size_t kMaxProgramWords = 0x2000;
constexpr std::size_t kMaxEepromBytes = 256;
constexpr int kIdByteAddress = 0x4000;
constexpr int kConfigByteAddress = 0x400E;
constexpr int kEepromByteAddress = 0x4200;
constexpr int kRecordBytes = 16;

void AppendHex2(std::string& out, int v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[(v >> 4) & 0xF]);
  out.push_back(kDigits[v & 0xF]);
}

void AppendRecord(std::string& out, int byteAddress, const std::uint8_t* bytes, int count) {
  int sum = count + (byteAddress >> 8) + (byteAddress & 0xFF);
  out.push_back(':');
  AppendHex2(out, count);
  AppendHex2(out, byteAddress >> 8);
  AppendHex2(out, byteAddress & 0xFF);
  AppendHex2(out, 0x00);
  for (int i = 0; i < count; ++i) {
    AppendHex2(out, bytes[i]);
    sum += bytes[i];
  }
  AppendHex2(out, (0x100 - (sum & 0xFF)) & 0xFF);
  out += "\r\n";
}

// Splits a run of consecutive bytes into records that stop at every 16-byte boundary.
void AppendRun(std::string& out, int byteAddress, const std::vector<std::uint8_t>& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const int address = byteAddress + static_cast<int>(i);
    const int room = kRecordBytes - (address % kRecordBytes);
    const int count = std::min(room, static_cast<int>(bytes.size() - i));
    AppendRecord(out, address, bytes.data() + i, count);
    i += static_cast<std::size_t>(count);
  }
}

void PushWord(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
  const int w = word & 0x3FFF;
  bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(w >> 8));
}

}  // namespace

std::string FormatInhx8m(const ChipContents& contents, bool omitErasedProgramWords) {
  std::string out;
  const std::size_t words = std::min(contents.program.size(), kMaxProgramWords);
  std::vector<std::uint8_t> run;
  std::size_t runStart = 0;
  for (std::size_t a = 0; a <= words; ++a) {
    const bool keep =
        a < words && !(omitErasedProgramWords && (contents.program[a] & 0x3FFF) == 0x3FFF);
    if (keep) {
      if (run.empty()) runStart = a;
      PushWord(run, contents.program[a]);
    } else if (!run.empty()) {
      AppendRun(out, static_cast<int>(runStart * 2), run);
      run.clear();
    }
  }

  std::vector<std::uint8_t> ids;
  for (std::uint16_t id : contents.ids) PushWord(ids, id);
  AppendRun(out, kIdByteAddress, ids);

  // The configuration word and the words after it, each run of present words in one go.
  const std::optional<std::uint16_t> high[] = {contents.config, contents.word2008,
                                               contents.word2009};
  std::vector<std::uint8_t> config;
  int configStart = kConfigByteAddress;
  for (std::size_t k = 0; k <= std::size(high); ++k) {
    if (k < std::size(high) && high[k]) {
      if (config.empty()) configStart = kConfigByteAddress + 2 * static_cast<int>(k);
      PushWord(config, *high[k]);
    } else if (!config.empty()) {
      AppendRun(out, configStart, config);
      config.clear();
    }
  }

  std::vector<std::uint8_t> eeprom;
  for (std::size_t i = 0; i < std::min(contents.eeprom.size(), kMaxEepromBytes); ++i) {
    eeprom.push_back(contents.eeprom[i]);
    eeprom.push_back(0x00);
  }
  AppendRun(out, kEepromByteAddress, eeprom);

  out += ":00000001FF\r\n";
  return out;
}

std::string FormatInhx32(const ChipContents& contents, bool omitErasedProgramWords) {
  // Every address of these parts is below 64 KiB: one extended linear address record of 0
  // opens the file, as INHX32 readers expect, and the data records are those of INHX8M.
  return ":020000040000FA\r\n" + FormatInhx8m(contents, omitErasedProgramWords);
}

bool WriteInhx8mFile(const std::string& path, const ChipContents& contents,
                     bool omitErasedProgramWords) {
  std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const std::string text = FormatInhx8m(contents, omitErasedProgramWords);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

}  // namespace daxwel
