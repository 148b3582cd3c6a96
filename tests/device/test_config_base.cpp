// Configuration memory at the family's base: the shared operations and the parts table find
// the IDs, the configuration words and the calibration words at 0x8000 as they do at 0x2000.
#include <cstdio>

#include "bench.h"
#include "device/locked_config.h"
#include "device/parts_table.h"
#include "device/program_plan.h"

namespace daxwel {
namespace {

using testing::Bench;
using testing::HexBuilder;

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

constexpr int kCalibration2000[] = {0x2009};
constexpr int kCalibration8000[] = {0x8009};

// A file for a part at `base`: the IDs, both configuration words and a value at the
// calibration word, through an extended-address record where the base needs one.
std::string FileAt(int base) {
  HexBuilder h;
  h.Words(0, {0x2805});
  h.Record(0, 0x04, {0x00, (2 * base) >> 16});
  h.Words(base & 0x7FFF, {0x0001, 0x0002, 0x0003, 0x0004});
  h.Words((base + 7) & 0x7FFF, {0x3FF4, 0x3EFF, 0x1111});
  return h.Text();
}

// Load Configuration takes the counter to the base whatever it is, so one simulated 16F886
// serves a family at 0x2000 and the same family moved to 0x8000: only the addresses the
// operations name differ, and each must come from the family.
TEST(ConfigBase, OperationsWalkConfigurationMemoryFromTheFamilysBase) {
  const DeviceModel& row = *ModelByIndex(ModelIndexByName("16F886").value_or(0));
  std::vector<long long> portWrites;
  for (int base : {0x2000, 0x8000}) {
    SCOPED_TRACE(Hex(base));
    FamilyDescriptor family = *row.family;
    family.configBase = base;
    family.calibrationWords = base == 0x2000 ? kCalibration2000 : kCalibration8000;
    const PreservedBits kept[] = {{base + 7, 0x0800, "X"}};  // a factory bit of the first word
    family.preserved = kept;
    DeviceModel model = row;
    model.family = &family;

    Bench b(sim::SimModel("16F886"));
    b.sim.Memory().config = 0x37FF;  // the factory bit reads 0
    b.sim.Memory().high = {0x3FFF, 0x2A5A};
    const HexLoadResult loaded =
        LoadHexImage(b.dir.Write("p.hex", FileAt(base)), ImageLimitsOf(model));
    ASSERT_EQ(loaded.status, HexStatus::Ok) << loaded.description;
    detail::Session s(b.link, b.op);
    s.model = &model;
    s.cycles = model.cycles;

    const detail::FactoryBits factory = detail::ReadFactoryBits(s);
    ASSERT_EQ(factory.entries.size(), 1u);
    EXPECT_EQ(factory.entries[0].word, 0x37FF);
    EXPECT_EQ(factory.LastProgramAddress(), -1);
    detail::ConfigMemoryWant written =
        detail::WrittenIdsAndConfig(loaded.image, FileConfigWords(loaded.image, 2), family);
    EXPECT_FALSE(written.words[9].has_value()) << "a calibration word is never written";
    FamilyDescriptor calibrated = family;  // one among the configuration words
    const int calibration[] = {base + 8};
    calibrated.calibrationWords = calibration;
    const detail::ConfigMemoryWant first =
        detail::WrittenIdsAndConfig(loaded.image, FileConfigWords(loaded.image, 2), calibrated);
    EXPECT_TRUE(first.words[7].has_value());
    EXPECT_FALSE(first.words[8].has_value());
    detail::ConfigMemory wantConfig = detail::ErasedConfigMemory();
    // The file's words; the plan puts the factory's bit in, and the read-back expects it.
    for (std::size_t j = 0; j < wantConfig.size(); ++j) {
      wantConfig[j] = written.words[j].value_or(detail::kErasedValue);
      if (written.words[j])
        written.words[j] = factory.Apply(base + static_cast<int>(j), *written.words[j]);
    }
    EXPECT_EQ(wantConfig[7], 0x3FF4);
    EXPECT_EQ(*written.words[7], 0x37F4);

    const detail::ProgramPlan plan =
        detail::PlanProgram(s, loaded.image, wantConfig, factory, [](int) {});
    EXPECT_EQ(plan.haveConfig[9], 0x2A5A);
    EXPECT_EQ(plan.wantConfig[9], 0x2A5A) << "the plan keeps what the chip holds";
    EXPECT_EQ(plan.wantConfig[7], 0x37F4);
    EXPECT_EQ(plan.wantConfig[8], 0x3EFF);
    EXPECT_EQ(plan.wantConfig[0], 0x0001);
    s.Reset();
    s.Enter();
    ASSERT_EQ(model.family->algorithm.WriteProgram(s, plan.want, plan.have, [](int) {}), -1);
    const detail::Outcome locked = detail::WriteLockingConfigLast(s, loaded.image, plan, written);
    EXPECT_TRUE(locked.IsOk()) << locked.Text();

    const detail::ConfigMemory read = detail::ReadIdsAndConfig(s);
    detail::SafeLinesOff(b.link);
    EXPECT_EQ(b.sim.Memory().ids, (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(b.sim.Memory().config & 0x3FFF, 0x37F4);
    EXPECT_EQ(b.sim.Memory().high[0] & 0x0700, 0x0600);
    EXPECT_EQ(b.sim.Memory().high[1], 0x2A5A);
    EXPECT_EQ(read[7], b.sim.Memory().config);
    EXPECT_EQ(read[9], 0x2A5A);
    portWrites.push_back(b.sim.Stats().portWrites);

    // A difference is named by the family's own address and word.
    const struct {
      std::size_t j;
      std::uint16_t want;
      std::string text;
    } kDiffers[] = {
        {0, 0x0005, "Error al verificar ID\rDirección " + Hex(base) + ":"},
        {7, 0x37F0, "Error al verificar Configuration Word\rDirección " + Hex(base + 7) + ":"},
        {8, 0x3DFF, "Error al verificar Configuration Word 2\rDirección " + Hex(base + 8) + ":"},
        {9, 0x0000, ""},  // calibration: never compared
    };
    for (const auto& d : kDiffers) {
      detail::ConfigMemoryWant wrong = written;
      wrong.words[d.j] = d.want;
      const detail::Outcome o = detail::CompareIdsAndConfig(family, read, wrong, "verificar");
      EXPECT_EQ(o.Text().rfind(d.text, 0), 0u) << d.j << ": " << o.Text();
      EXPECT_EQ(o.IsOk(), d.text.empty()) << d.j;
    }
  }
  // The same silicon sees the same dialogue: no address taken from the wrong base.
  EXPECT_EQ(portWrites.front(), portWrites.back());
}

// Parts-file addresses are taken relative to the family's base: a file can place a part of a
// family at 0x8000, and an address outside that family's configuration memory is refused with
// the family's own addresses.
TEST(ConfigBase, PartsTableTakesAddressesFromTheFamilysBase) {
  const struct {
    std::string keys;
    int base;
    std::string answer;  // ParsePartsText's, or ConfigKeysOutside's when the text parses
  } kCases[] = {
      {"config = 0x8007:0x3FFF 0x8008:0x0700\ncalibration = 0x8009 0x800A", 0x8000, ""},
      {"config = 0x2007:0x3FFF\ncalibration = 0x201F", 0x2000, ""},
      {"config = 0x2007:0x3FFF 0x2008:0x0700", 0x8000,
       "config: la familia T1 tiene su primera palabra de configuración en 0x8007"},
      {"config = 0x8007:0x3FFF", 0x2000,
       "config: la familia T1 tiene su primera palabra de configuración en 0x2007"},
      {"config = 0x8007:0x3FFF\ncalibration = 0x200A", 0x8000,
       "calibration: 0x200A está fuera de la memoria de configuración de la familia T1 "
       "(0x8008 a 0x801F)"},
      {"config = 0x2007:0x3FFF\ncalibration = 0x8009", 0x2000,
       "calibration: 0x8009 está fuera de la memoria de configuración de la familia T1 "
       "(0x2008 a 0x201F)"},
      {"config = 0x8006:0x3FFF", 0x8000, "t.ini:3: config=0x8006:0x3FFF: se espera"},
      {"config = 0x8007:0x3FFF 0x8009:0x3FFF", 0x8000,
       "t.ini:3: config=0x8007:0x3FFF 0x8009:0x3FFF: se espera"},
      {"config = 0x8007:0x3FFF\ncalibration = 0x8020", 0x8000,
       "calibration: 0x8020 está fuera de la memoria de configuración de la familia T1"},
      {"config = 0x8007:0x3FFF\ncalibration = 0x8007", 0x8000, "calibration: 0x8007 está fuera"},
      {"calibration = 0x8007:1", 0x8000, "t.ini:3: calibration=0x8007:1: se esperan"},
  };
  for (const auto& c : kCases) {
    std::vector<PartSection> parts;
    const std::string parsed = ParsePartsText("[T]\nfamily = t1\n" + c.keys + "\n", "t.ini", parts);
    const std::string answer = parsed.empty() ? ConfigKeysOutside(parts.at(0), c.base) : parsed;
    if (c.answer.empty()) {
      EXPECT_EQ(answer, "") << c.keys;
    } else {
      EXPECT_EQ(answer.rfind(c.answer, 0), 0u) << c.keys << "\n-> " << answer;
    }
  }
  std::vector<PartSection> parts;
  ASSERT_EQ(ParsePartsText("[T]\nconfig = 0x8007:0x3FFF 0x8008:0x0700\ncalibration = 0x800A\n",
                           "t.ini", parts),
            "");
  EXPECT_EQ(parts[0].config[1].address, 0x8008);
  EXPECT_EQ(parts[0].config[1].mask, 0x0700);
  EXPECT_EQ(parts[0].calibration, std::vector<int>{0x800A});
}

}  // namespace
}  // namespace daxwel
