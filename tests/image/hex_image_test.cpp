#include "image/hex_image.h"

#include <gtest/gtest.h>

#include "hex_test_util.h"

namespace daxwel {
namespace {

using testing::ExamplePath;
using testing::k16F84;
using testing::k16F873;
using testing::k16F877;

void ExpectSameImage(const HexImage& a, const HexImage& b) {
  EXPECT_EQ(a.ProgramWords, b.ProgramWords);
  EXPECT_EQ(a.ProgramEnd, b.ProgramEnd);
  EXPECT_EQ(a.IdWords(), b.IdWords());
  EXPECT_EQ(a.HasId(), b.HasId());
  EXPECT_EQ(a.FileConfig(), b.FileConfig());
  EXPECT_EQ(a.EepromWords, b.EepromWords);
  EXPECT_EQ(a.EepromEnd, b.EepromEnd);
  EXPECT_EQ(a.HasEeprom, b.HasEeprom);
}

// Loads both layouts gpasm wrote for one example and checks they give the same image.
HexImage LoadExample(const std::string& name, ImageLimits limits) {
  const HexLoadResult m = LoadHexImage(ExamplePath(name + ".inhx8m.hex"), limits);
  const HexLoadResult x = LoadHexImage(ExamplePath(name + ".inhx32.hex"), limits);
  EXPECT_EQ(m.status, HexStatus::Ok) << name << ": " << m.description;
  EXPECT_EQ(x.status, HexStatus::Ok) << name << ": " << x.description;
  ExpectSameImage(m.image, x.image);
  return m.image;
}

TEST(HexExamples, Toggle84aBothLayouts) {
  const HexImage im = LoadExample("toggle84a", k16F84);
  EXPECT_EQ(im.ProgramWords[0], 0x2805);  // goto start
  EXPECT_EQ(im.ProgramWords[1], 0x3FFF);  // not in the file: erased
  EXPECT_EQ(im.ProgramWords[4], 0x0009);  // retfie
  EXPECT_EQ(im.ProgramEnd, 0x17);
  EXPECT_EQ(im.FileConfig(), "11111111110001");  // the 16F84 dialog's starting word
  EXPECT_FALSE(im.HasEeprom);
  EXPECT_EQ(im.HasId(), (std::array<bool, 4>{}));
}

TEST(HexExamples, Eeprom877BothLayouts) {
  const HexImage im = LoadExample("eeprom877", k16F877);
  EXPECT_EQ(im.ProgramEnd, 0x22);
  EXPECT_EQ(im.IdWords(), (std::array<std::int16_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(im.HasId(), (std::array<bool, 4>{true, true, true, true}));
  EXPECT_EQ(im.FileConfig(), ToBitString(0x3F31));
  EXPECT_TRUE(im.HasEeprom);
  EXPECT_EQ(im.EepromEnd, 14);
  EXPECT_EQ(im.EepromWords[0], 0x3F01);
  EXPECT_EQ(im.EepromWords[7], 0x3F80);
  EXPECT_EQ(im.EepromWords[8], 0x3F00 | 'D');
  EXPECT_EQ(im.EepromWords[14], 0x3F00);
  EXPECT_EQ(im.EepromWords[15], 0x3FFF);
  // Its 0x23 words and 15 EEPROM bytes fit a 16F84 as well.
  EXPECT_EQ(LoadHexImage(ExamplePath("eeprom877.inhx8m.hex"), k16F84).status, HexStatus::Ok);
}

TEST(HexExamples, Walk873BothLayouts) {
  const HexImage im = LoadExample("walk873", k16F873);
  EXPECT_EQ(im.ProgramEnd, 0x212);
  for (int a = 0x1B; a < 0x200; ++a) ASSERT_EQ(im.ProgramWords[a], 0x3FFF) << a;
  EXPECT_EQ(im.ProgramWords[0x200], 0x00F1);  // movwf 0x71
  EXPECT_EQ(im.ProgramWords[0x212], 0x3402);  // retlw b'00000010'
  EXPECT_EQ(im.FileConfig(), ToBitString(0x3F72));
  EXPECT_FALSE(im.HasEeprom);
}

TEST(BitString, ConversionsBothWays) {
  EXPECT_EQ(ToBitString(0x3FFF), "11111111111111");
  EXPECT_EQ(ToBitString(0x0010), "00000000010000");
  EXPECT_EQ(ToBitString(0), "00000000000000");
  EXPECT_EQ(ToBitString(0xFFFF), "11111111111111");  // bits 14 and 15 dropped
  EXPECT_EQ(ToBitString(0x4001), "00000000000001");
  EXPECT_EQ(ToBitString(0x3F41), "11111101000001");
  EXPECT_EQ(FromBitString("11111111110001"), 0x3FF1);
  EXPECT_EQ(FromBitString("00000000010000"), 0x0010);
  EXPECT_EQ(FromBitString(""), 0);
  for (int v : {0x0000, 0x0007, 0x1F11, 0x2F21, 0x3F31, 0x3FFF}) {
    EXPECT_EQ(FromBitString(ToBitString(v)), v);
  }
}

TEST(ChooseConfig, FileWordOnlyWhenTheDialogAsksForIt) {
  const std::string file = "11111111110001";
  const std::string manual = "00000000000111";
  auto chosen = ChooseConfigWord(file, "fromfile");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->word, file);
  EXPECT_EQ(chosen->label, "Desde Archivo");
  chosen = ChooseConfigWord(file, manual);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->word, manual);
  EXPECT_EQ(chosen->label, "Manual");
  EXPECT_FALSE(ChooseConfigWord("", "fromfile"));
  chosen = ChooseConfigWord("", manual);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->word, manual);
  EXPECT_EQ(chosen->label, "Manual");
  // No model selected never programs an empty word.
  EXPECT_FALSE(ChooseConfigWord(file, ""));
}

}  // namespace
}  // namespace daxwel
