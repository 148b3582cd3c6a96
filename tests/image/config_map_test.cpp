#include "image/config_map.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "image/hex_image.h"
#include "image/hex_writer.h"

namespace daxwel {
namespace {

constexpr std::uint16_t kTwoWords[] = {0x3FFF, 0x0003};
constexpr std::uint16_t kFiveWords[] = {0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};
constexpr int kCalibrationAt200A[] = {0x200A};
constexpr int kCalibrationAmongConfig[] = {0x2008, 0x2009};

// The data bytes of a HEX text by absolute byte address, decoded here apart from the reader:
// type 04 sets the upper 16 bits, type 00 places bytes, type 01 ends.
std::map<long, int> BytesOf(const std::string& text, int& linearRecords) {
  std::map<long, int> bytes;
  std::istringstream in(text);
  long upper = 0;
  linearRecords = 0;
  for (std::string line; std::getline(in, line);) {
    const auto field = [&](std::size_t pos, std::size_t n) {
      return std::stol(line.substr(pos, n), nullptr, 16);
    };
    const long count = field(1, 2);
    const long type = field(7, 2);
    if (type == 4) {
      upper = field(9, 4);
      ++linearRecords;
    } else if (type == 0) {
      for (long i = 0; i < count; ++i) {
        bytes[(upper << 16) + field(3, 4) + i] = static_cast<int>(field(9 + 2 * i, 2));
      }
    }
  }
  return bytes;
}

TEST(ConfigMemoryMap, CellsByKindAndAddress) {
  const ConfigMemoryMap classic;
  EXPECT_EQ(classic.Base(), 0x2000);
  EXPECT_EQ(classic.End(), 0x2007);
  EXPECT_TRUE(classic.Is(0x2003, ConfigCellKind::Id));
  EXPECT_TRUE(classic.Is(0x2006, ConfigCellKind::DeviceId));
  EXPECT_EQ(classic.Find(0x2004), nullptr);
  EXPECT_EQ(classic.Find(0x2008), nullptr);

  const ConfigMemoryMap among(0x2000, kTwoWords, kCalibrationAmongConfig);
  EXPECT_TRUE(among.Is(0x2007, ConfigCellKind::ConfigWord));
  EXPECT_TRUE(among.Is(0x2008, ConfigCellKind::Calibration));  // calibration wins
  EXPECT_TRUE(among.Is(0x2009, ConfigCellKind::Calibration));
  EXPECT_EQ(among.End(), 0x2009);
  EXPECT_EQ(among.Cells().size(), 8u);  // 4 IDs, device ID, one word, two calibration words

  const ConfigMemoryMap enhanced(0x8000, kFiveWords, {}, 0x3F80);
  EXPECT_EQ(enhanced.FirstConfigWord(), 0x8007);
  EXPECT_EQ(enhanced.End(), 0x800B);
  EXPECT_EQ(enhanced.Find(0x8001)->mask, 0x3F80);
  EXPECT_EQ(ConfigMemoryMap(0x2000, kTwoWords, {}).Find(0x2008)->mask, 0x0003);
  EXPECT_TRUE(enhanced.InRegion(0x80FF));
  EXPECT_FALSE(enhanced.InRegion(0x8100));
  EXPECT_FALSE(enhanced.InRegion(0x7FFF));
}

// Configuration memory beyond 0x2009 and above 64 KiB of byte address is written at twice
// its word address, through type 04 records, and reads back where it was; a reader without
// the part's map keeps today's reach.
TEST(ConfigMemoryMap, WordsRoundTripThroughWriterAndReader) {
  struct Case {
    const char* name;
    ConfigMemoryMap map;
    std::map<int, std::uint16_t> words;  // after the IDs
    int linearRecords;                   // type 04 records the writer needs
    bool todaysReaderRefuses;
  };
  const Case cases[] = {
      {"0x200A",
       ConfigMemoryMap(0x2000, kTwoWords, kCalibrationAt200A),
       {{0x2007, 0x2FF4}, {0x2008, 0x0102}, {0x200A, 0x1A2B}},
       0,
       false},
      {"0x8007-0x800B",
       ConfigMemoryMap(0x8000, kFiveWords, {}),
       {{0x8007, 0x3FE4}, {0x8008, 0x1EFF}, {0x8009, 0x0123}, {0x800A, 0x2345}, {0x800B, 0x3001}},
       2,
       true},
  };
  for (const Case& c : cases) {
    ChipContents chip;
    chip.program = {0x0123, 0x3FFF, 0x2805};
    chip.configBase = c.map.Base();
    chip.ids = {0x0001, 0x0002, 0x3FFF, 0x1234};
    chip.configMemory = c.words;
    chip.eeprom = {0x11, 0xFF, 0x22};
    const std::string text = FormatInhx8m(chip, true);
    int linear = 0;
    const std::map<long, int> bytes = BytesOf(text, linear);
    EXPECT_EQ(linear, c.linearRecords) << c.name << "\n" << text;
    for (const auto& [address, word] : c.words) {
      EXPECT_EQ(bytes.at(2L * address), word & 0xFF) << c.name << " " << address;
      EXPECT_EQ(bytes.at(2L * address + 1), word >> 8) << c.name << " " << address;
    }
    EXPECT_EQ(bytes.at(2L * c.map.Base() + 6), 0x34) << c.name;  // the last ID's low byte
    EXPECT_EQ(bytes.at(0x4200 + 4), 0x22) << c.name;             // EEPROM below 64 KiB again

    const HexLoadResult r = ParseHexImage(text, {1024, 64, c.map});
    ASSERT_EQ(r.status, HexStatus::Ok) << c.name << ": " << r.description;
    EXPECT_EQ(r.image.ConfigBase, c.map.Base());
    for (const auto& [address, word] : c.words) {
      EXPECT_EQ(r.image.ConfigWord(address), word) << c.name << " " << address;
    }
    EXPECT_EQ(r.image.IdWords(), (std::array<std::int16_t, 4>{1, 2, 0x3FFF, 0x1234})) << c.name;
    EXPECT_EQ(r.image.FileConfig(), ToBitString(c.words.begin()->second)) << c.name;
    EXPECT_EQ(r.image.ProgramWords[2], 0x2805) << c.name;
    EXPECT_EQ(r.image.EepromWords[2], 0x3F22) << c.name;

    const HexLoadResult today = ParseHexImage(text, {1024, 64});
    if (c.todaysReaderRefuses) {
      EXPECT_EQ(today.status, HexStatus::ReadFailure) << c.name;
      EXPECT_NE(today.description.find("dirección extendida distinta de cero"), std::string::npos)
          << today.description;
    } else {
      ASSERT_EQ(today.status, HexStatus::Ok) << c.name;
      EXPECT_FALSE(today.image.ConfigWord(0x200A)) << c.name;
      EXPECT_EQ(today.image.ConfigWord(0x2008), 0x0102) << c.name;
    }
  }
}

// What the reader takes of configuration memory for a part, as today's rules have it for
// 0x2008 and 0x2009: the IDs, the words from the configuration word to the part's last and at
// least the two after the first, each checked and cut to 14 bits; nothing else.
TEST(ConfigMemoryMap, ReaderTakesWhatThePartsMapReaches) {
  const ConfigMemoryMap at200A(0x2000, kTwoWords, kCalibrationAt200A);
  const ConfigMemoryMap enhanced(0x8000, kFiveWords, {});
  const ConfigMemoryMap oneWord;
  struct Case {
    const char* name;
    const ConfigMemoryMap* map;
    std::string records;
    std::vector<int> taken;  // addresses the image holds afterwards
    std::string failure;     // part of the description, empty when the file loads
  };
  const Case cases[] = {
      {"device ID and the gap", &at200A, ":064008001111111111114C\n", {}, ""},
      {"past the part's last word", &at200A, ":02401600FF3F6A\n", {}, ""},
      {"two after the first on a one-word part",
       &oneWord,
       ":04401000FF3F0C0062\n",
       {0x2008, 0x2009},
       ""},
      {"the part's last word", &at200A, ":02401400AA15EB\n", {0x200A}, ""},
      {"above 64 KiB", &enhanced, ":020000040001F9\n:02001600AA1529\n", {0x800B}, ""},
      {"above the map's last word", &enhanced, ":020000040001F9\n:02001800AA1527\n", {}, ""},
      {"above the region",
       &enhanced,
       ":020000040001F9\n:02020000AA153D\n",
       {},
       "Línea 2: desbordamiento: dirección 0x00010200 fuera de rango"},
      {"another segment",
       &enhanced,
       ":020000040002F8\n",
       {},
       "Línea 1: dirección extendida distinta de cero"},
      {"given twice",
       &at200A,
       ":02401400AA15EB\n:02401400AB15EA\n",
       {},
       "Línea 2: la dirección 0x200A (Configuration Word) ya la dio la línea 1"},
  };
  for (const Case& c : cases) {
    const HexLoadResult r = ParseHexImage(c.records + ":00000001FF\n", {1024, 64, *c.map});
    if (!c.failure.empty()) {
      EXPECT_EQ(r.status, HexStatus::ReadFailure) << c.name;
      EXPECT_EQ(r.description.rfind(c.failure, 0), 0u) << c.name << ": " << r.description;
      continue;
    }
    ASSERT_EQ(r.status, HexStatus::Ok) << c.name << ": " << r.description;
    std::vector<int> taken;
    for (const auto& [address, word] : r.image.ConfigWords) taken.push_back(address);
    EXPECT_EQ(taken, c.taken) << c.name;
  }
  // A word with bits 15:14 set is cut to 14 bits and noted, at any address the map reaches.
  const HexLoadResult r =
      ParseHexImage(":020000040001F9\n:02001600AAD569\n:00000001FF\n", {1024, 64, enhanced});
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ConfigWord(0x800B), 0x15AA);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find("0x800B trae 0xD5AA"), std::string::npos) << r.notes[0];
}

TEST(ConfigMemoryMap, FileConfigWordsStopAtTheFirstMissing) {
  HexImage image;
  image.ConfigBase = 0x8000;
  image.ConfigWords = {{0x8007, 0x1234}, {0x8008, 0x0F0F}, {0x800A, 0x0001}};
  EXPECT_EQ(FileConfigWords(image, 1), ToBitString(0x1234));
  EXPECT_EQ(FileConfigWords(image, 2), ToBitString(0x1234) + ToBitString(0x0F0F));
  EXPECT_EQ(FileConfigWords(image, 4), ToBitString(0x1234) + ToBitString(0x0F0F));
  image.ConfigWords.erase(0x8007);
  EXPECT_EQ(FileConfigWords(image, 2), "");
  EXPECT_EQ(image.FileConfig(), "");
}

}  // namespace
}  // namespace daxwel
