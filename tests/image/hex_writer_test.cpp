#include "image/hex_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "hex_test_util.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

using testing::k16F84;
using testing::k16F877;
using testing::TempDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int ByteAt(const std::string& line, std::size_t pos) {
  return std::stoi(line.substr(pos, 2), nullptr, 16);
}

ChipContents SampleChip(int words, int eepromBytes) {
  ChipContents chip;
  for (int a = 0; a < words; ++a) {
    // Runs of erased words between written ones, of several lengths.
    chip.program.push_back(a % 37 < 20 ? static_cast<std::uint16_t>((a * 0x1F3) & 0x3FFF)
                                       : std::uint16_t{0x3FFF});
  }
  chip.ids = {0x0001, 0x0002, 0x3FFF, 0x1234};
  chip.configMemory[0x2007] = 0x3F31;
  for (int i = 0; i < eepromBytes; ++i) chip.eeprom.push_back(static_cast<std::uint8_t>(i * 7));
  return chip;
}

TEST(HexWriter, RecordsAreWellFormed) {
  const std::string text = FormatInhx8m(SampleChip(300, 64), false);
  const std::vector<std::string> lines = Lines(text);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), ":00000001FF");
  bool sawIds = false;
  bool sawConfig = false;
  bool sawEeprom = false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_EQ(line[0], ':');
    const int count = ByteAt(line, 1);
    const int address = ByteAt(line, 3) * 256 + ByteAt(line, 5);
    ASSERT_EQ(line.size(), 11U + 2U * static_cast<unsigned>(count)) << line;
    EXPECT_LE(count, 16) << line;
    EXPECT_GT(count, 0) << line;
    EXPECT_EQ(address / 16, (address + count - 1) / 16) << "crosses a 16-byte boundary: " << line;
    EXPECT_EQ(ByteAt(line, 7), 0) << line;
    int sum = 0;
    for (std::size_t p = 1; p + 1 < line.size(); p += 2) sum += ByteAt(line, p);
    EXPECT_EQ(sum & 0xFF, 0) << "checksum: " << line;
    sawIds |= address == 0x4000 && count == 8;
    sawConfig |= address == 0x400E && count == 2;
    sawEeprom |= address == 0x4200;
  }
  EXPECT_TRUE(sawIds);
  EXPECT_TRUE(sawConfig);
  EXPECT_TRUE(sawEeprom);
  EXPECT_NE(text.find(":02400E00313F40\r\n"), std::string::npos);  // as gpasm writes it
  EXPECT_NE(text.find(":0840000001000200FF3F3412"), std::string::npos);
  // EEPROM bytes are words with a zero high byte.
  EXPECT_NE(text.find(":10420000000007000E0015001C0023002A003100"), std::string::npos);

  ChipContents empty;
  EXPECT_EQ(FormatInhx8m(empty, true), ":08400000FF3FFF3FFF3FFF3FC0\r\n:00000001FF\r\n");
}

TEST(HexWriter, WrittenFilesLoadBackToTheSameImage) {
  TempDir dir;
  for (bool omit : {false, true}) {
    for (auto [limits, chip] :
         {std::pair{k16F84, SampleChip(1024, 64)}, std::pair{k16F877, SampleChip(8192, 256)}}) {
      const std::string path = dir.Path() + "/chip.hex";
      ASSERT_TRUE(WriteInhx8mFile(path, chip, omit));
      const HexLoadResult r = LoadHexImage(path, limits);
      ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
      for (int a = 0; a < limits.programWords; ++a) {
        ASSERT_EQ(r.image.ProgramWords[a], chip.program[a]) << a << " omit " << omit;
      }
      for (int i = 0; i < 4; ++i) EXPECT_EQ(r.image.IdWords()[i], chip.ids[i]);
      EXPECT_EQ(r.image.HasId(), (std::array<bool, 4>{true, true, true, true}));
      EXPECT_EQ(r.image.FileConfig(), ToBitString(*chip.Config()));
      for (int i = 0; i < limits.eepromBytes; ++i) {
        ASSERT_EQ(r.image.EepromWords[i], 0x3F00 | chip.eeprom[i]) << i;
      }
      EXPECT_EQ(r.image.EepromEnd, limits.eepromBytes - 1);
      // Without omission the last word is present; with it, the last one not erased.
      int last = limits.programWords - 1;
      while (omit && chip.program[static_cast<std::size_t>(last)] == 0x3FFF) --last;
      EXPECT_EQ(r.image.ProgramEnd, last);
    }
  }
}

// A second configuration word at 0x2008 and a calibration word at 0x2009 follow the first in
// their own record (0x4010 starts a new 16 bytes), and read back where they were.
TEST(HexWriter, WordsAfterTheConfigurationWordReadBack) {
  ChipContents chip;
  chip.configMemory = {{0x2007, 0x2FF4}, {0x2008, 0x3EFF}, {0x2009, 0x1A2B}};
  const std::string text = FormatInhx8m(chip, true);
  EXPECT_NE(text.find(":02400E00F42F8D\r\n:04401000FF3E2B1A2A\r\n"), std::string::npos) << text;
  const HexLoadResult r = ParseHexImage(text, k16F877);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ConfigWord(0x2008), 0x3EFF);
  EXPECT_EQ(r.image.ConfigWord(0x2009), 0x1A2B);
  chip.configMemory.erase(0x2008);
  EXPECT_NE(FormatInhx8m(chip, true).find(":02401200"), std::string::npos);
}

TEST(HexWriter, WordsKeepTheirLowFourteenBitsAndNoConfigMeansNone) {
  TempDir dir;
  ChipContents chip;
  chip.program = {0xFFFF, 0x4001, 0x3FFF};
  const std::string path = dir.Path() + "/chip.hex";
  ASSERT_TRUE(WriteInhx8mFile(path, chip, true));
  const HexLoadResult r = LoadHexImage(path, k16F84);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x3FFF);
  EXPECT_EQ(r.image.ProgramWords[1], 0x0001);
  EXPECT_EQ(r.image.ProgramEnd, 1);
  EXPECT_TRUE(r.image.FileConfig().empty());
  EXPECT_FALSE(r.image.HasEeprom);
  EXPECT_FALSE(WriteInhx8mFile(dir.Path() + "/no/such/dir.hex", chip, true));
}

}  // namespace
}  // namespace daxwel
