// A family's configuration memory as an address map, and the operations that walk it: the
// blank check and the calibration lines reach any address a family declares.
#include <gtest/gtest.h>

#include "device/algorithm.h"
#include "device/blank_check.h"
#include "device/catalogue.h"

namespace daxwel {
namespace {

constexpr int kCalibrationAt200A[] = {0x200A};
constexpr int kCalibrationAt800A[] = {0x800A};

const FamilyDescriptor& FamilyOf(std::string_view name) {
  const auto index = ModelIndexByName(name);
  EXPECT_TRUE(index.has_value()) << name;
  return *ModelByIndex(index.value_or(1))->family;
}

TEST(FamilyConfigMap, DerivedFromTheRowsWordsMasksAndCalibration) {
  const ConfigMemoryMap f886 = FamilyOf("16F886").ConfigMap();
  EXPECT_EQ(f886.Base(), 0x2000);
  EXPECT_EQ(f886.Find(0x2007)->kind, ConfigCellKind::ConfigWord);
  EXPECT_EQ(f886.Find(0x2007)->mask, 0x3FFF);
  EXPECT_EQ(f886.Find(0x2008)->kind, ConfigCellKind::ConfigWord);
  EXPECT_EQ(f886.Find(0x2008)->mask, 0x0700);
  EXPECT_EQ(f886.Find(0x2009)->kind, ConfigCellKind::Calibration);
  EXPECT_EQ(f886.End(), 0x2009);
  EXPECT_EQ(FamilyOf("16F886").ConfigMemoryEnd(), 0x2009);

  const ConfigMemoryMap f84 = FamilyOf("16F84A").ConfigMap();
  EXPECT_EQ(f84.End(), 0x2007);
  EXPECT_EQ(f84.Find(0x2000)->mask, FamilyOf("16F84A").idBits);

  FamilyDescriptor moved = FamilyOf("16F886");
  moved.configBase = 0x8000;
  moved.calibrationWords = kCalibrationAt800A;
  const ConfigMemoryMap high = moved.ConfigMap();
  EXPECT_TRUE(high.Is(0x8003, ConfigCellKind::Id));
  EXPECT_TRUE(high.Is(0x8006, ConfigCellKind::DeviceId));
  EXPECT_TRUE(high.Is(0x8008, ConfigCellKind::ConfigWord));
  EXPECT_TRUE(high.Is(0x800A, ConfigCellKind::Calibration));
  EXPECT_EQ(high.Find(0x2007), nullptr);
  EXPECT_TRUE(moved.IsConfigWord(0x8008));
  EXPECT_FALSE(moved.IsConfigWord(0x2008));
  EXPECT_EQ(moved.ConfigMaskAt(0x8007), moved.configMask);
  EXPECT_EQ(moved.ConfigMaskAt(0x8008), 0x0700);
  EXPECT_EQ(moved.ConfigMemoryEnd(), 0x800A);
}

// The blank check counts the first configuration word not erased in the bits it stores, and
// never a calibration word, wherever the family's map puts them.
TEST(FamilyConfigMap, BlankCheckWalksTheFamilysWords) {
  FamilyDescriptor at200A = FamilyOf("16F886");
  at200A.calibrationWords = kCalibrationAt200A;
  FamilyDescriptor at8000 = FamilyOf("16F886");
  at8000.configBase = 0x8000;
  at8000.calibrationWords = kCalibrationAt800A;
  struct Case {
    const char* name;
    const FamilyDescriptor* family;
    std::map<int, std::uint16_t> words;
    int found;  // the configuration address reported, 0 for none
  };
  const Case cases[] = {
      {"erased, calibration at 0x200A",
       &at200A,
       {{0x2007, 0x3FFF}, {0x2008, 0x3FFF}, {0x200A, 0x1234}},
       0},
      {"second word outside its mask", &at200A, {{0x2007, 0x3FFF}, {0x2008, 0x0700}}, 0},
      {"second word", &at200A, {{0x2007, 0x3FFF}, {0x2008, 0x3BFF}}, 0x2008},
      {"0x2009 belongs to nothing", &at200A, {{0x2009, 0x0000}}, 0},
      {"first word above 64 KiB", &at8000, {{0x8007, 0x3FFE}, {0x8008, 0x3BFF}}, 0x8007},
      {"second word above 64 KiB", &at8000, {{0x8007, 0x3FFF}, {0x8008, 0x3BFF}}, 0x8008},
      {"calibration at 0x800A", &at8000, {{0x800A, 0x0000}}, 0},
      {"today's addresses on a part at 0x8000", &at8000, {{0x2007, 0x0000}}, 0},
  };
  for (const Case& c : cases) {
    ChipContents contents;
    contents.configBase = c.family->configBase;
    contents.configMemory = c.words;
    const std::vector<NonBlank> found = FindNonBlank(contents, *c.family);
    if (c.found == 0) {
      EXPECT_TRUE(found.empty()) << c.name << ": " << (found.empty() ? 0 : found[0].address);
      continue;
    }
    ASSERT_EQ(found.size(), 1u) << c.name;
    EXPECT_EQ(found[0].memory, "Configuración") << c.name;
    EXPECT_EQ(found[0].address, c.found) << c.name;
  }
  ChipContents ids;
  ids.configBase = 0x8000;
  ids.ids[2] = 0x0001;
  const std::vector<NonBlank> found = FindNonBlank(ids, at8000);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, 0x8002);
}

TEST(FamilyConfigMap, CalibrationLinesAtAnyAddress) {
  FamilyDescriptor family = FamilyOf("16F886");
  family.calibrationWords = kCalibrationAt200A;
  ChipContents read;
  read.configMemory = {{0x2009, 0x0123}, {0x200A, 0x2A5A}};
  EXPECT_EQ(detail::CalibrationLines(family, read),
            std::vector<std::string>{"Calibración 0x200A: 0x2A5A"});
  read.configMemory.erase(0x200A);
  EXPECT_EQ(detail::CalibrationLines(family, read),
            std::vector<std::string>{"Calibración 0x200A: 0x3FFF (perdida)"});
}

}  // namespace
}  // namespace daxwel
