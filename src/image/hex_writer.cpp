#include "image/hex_writer.h"

#include <algorithm>
#include <fstream>

namespace daxwel {

namespace {

constexpr std::size_t kMaxProgramWords = 0x2000;
constexpr std::size_t kMaxEepromBytes = 256;
constexpr int kEepromByteAddress = 0x4200;
constexpr int kRecordBytes = 16;
constexpr int kTypeData = 0x00;
constexpr int kTypeLinear = 0x04;

void AppendHex2(std::string& out, int v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[(v >> 4) & 0xF]);
  out.push_back(kDigits[v & 0xF]);
}

void AppendRecord(std::string& out, int address, int type, const std::uint8_t* bytes, int count) {
  int sum = count + (address >> 8) + (address & 0xFF) + type;
  out.push_back(':');
  AppendHex2(out, count);
  AppendHex2(out, address >> 8);
  AppendHex2(out, address & 0xFF);
  AppendHex2(out, type);
  for (int i = 0; i < count; ++i) {
    AppendHex2(out, bytes[i]);
    sum += bytes[i];
  }
  AppendHex2(out, (0x100 - (sum & 0xFF)) & 0xFF);
  out += "\r\n";
}

// Records of runs of bytes, with an extended linear address record wherever the upper 16 bits
// of the byte address change (the file starts at 0).
class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}

  // Splits a run of consecutive bytes into records that stop at every 16-byte boundary, and so
  // never cross a 64 KiB one.
  void AppendRun(int byteAddress, const std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
      const int address = byteAddress + static_cast<int>(i);
      const int room = kRecordBytes - (address % kRecordBytes);
      const int count = std::min(room, static_cast<int>(bytes.size() - i));
      if (address >> 16 != upper_) {
        upper_ = address >> 16;
        const std::uint8_t base[] = {static_cast<std::uint8_t>(upper_ >> 8),
                                     static_cast<std::uint8_t>(upper_ & 0xFF)};
        AppendRecord(out_, 0, kTypeLinear, base, 2);
      }
      AppendRecord(out_, address & 0xFFFF, kTypeData, bytes.data() + i, count);
      i += static_cast<std::size_t>(count);
    }
  }

 private:
  std::string& out_;
  int upper_ = 0;
};

void PushWord(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
  const int w = word & 0x3FFF;
  bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(w >> 8));
}

// The words of configuration memory after the IDs, each run of consecutive words in one go.
void AppendConfigMemory(RecordWriter& writer, const std::map<int, std::uint16_t>& words) {
  std::vector<std::uint8_t> run;
  int runStart = 0;
  int next = 0;
  for (const auto& [address, word] : words) {
    if (!run.empty() && address != next) {
      writer.AppendRun(2 * runStart, run);
      run.clear();
    }
    if (run.empty()) runStart = address;
    PushWord(run, word);
    next = address + 1;
  }
  if (!run.empty()) writer.AppendRun(2 * runStart, run);
}

}  // namespace

std::string FormatInhx8m(const ChipContents& contents, bool omitErasedProgramWords) {
  std::string out;
  RecordWriter writer(out);
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
      writer.AppendRun(static_cast<int>(runStart * 2), run);
      run.clear();
    }
  }

  std::vector<std::uint8_t> ids;
  for (std::uint16_t id : contents.ids) PushWord(ids, id);
  if (contents.hasIds) writer.AppendRun(2 * contents.configBase, ids);
  AppendConfigMemory(writer, contents.configMemory);

  std::vector<std::uint8_t> eeprom;
  for (std::size_t i = 0; i < std::min(contents.eeprom.size(), kMaxEepromBytes); ++i) {
    eeprom.push_back(contents.eeprom[i]);
    eeprom.push_back(0x00);
  }
  writer.AppendRun(kEepromByteAddress, eeprom);

  out += ":00000001FF\r\n";
  return out;
}

std::string FormatInhx32(const ChipContents& contents, bool omitErasedProgramWords) {
  // One extended linear address record of 0 opens the file, as INHX32 readers expect, and the
  // data records are those of INHX8M.
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
