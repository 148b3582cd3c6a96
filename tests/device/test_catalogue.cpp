// Every catalogue row, driven through each operation against its simulated part, and the
// protection predicates of every family.
#include <algorithm>

#include "bench.h"
#include "device/catalogue.h"
#include "device/read_device.h"

namespace daxwel {
namespace {

using testing::Bench;
using testing::HexBuilder;

// The simulated part that answers to a row: its alias when it has one (the part with an ID).
sim::SimModel SimPartOf(const DeviceModel& m) {
  const auto part = sim::ParseSimModel(m.aliases.empty() ? m.modelName : m.aliases.front());
  EXPECT_TRUE(part.has_value()) << m.modelName;
  return part.value_or(sim::SimModel("16F877"));
}

// `want` with the bits the part keeps from the factory taken from `have`.
std::uint16_t Keep(const FamilyDescriptor& family, int address, std::uint16_t want,
                   std::uint16_t have) {
  const std::uint16_t writable = family.WritableBits(address);
  return static_cast<std::uint16_t>((want & writable) | (have & ~writable & 0x3FFF));
}

TEST(Catalogue, EveryRowDetectsProgramsVerifiesReadsAndErases) {
  for (const DeviceModel& m : Catalogue()) {
    SCOPED_TRACE(std::string(m.listText));
    Bench b(SimPartOf(m));
    b.op.model = 0;
    b.LimitVddFor(m);
    // The factory calibration words in configuration memory, which nothing may change.
    const auto calibration = [&] {
      std::vector<std::uint16_t> words;
      for (int a : m.family->calibrationWords) {
        words.push_back(b.sim.Memory().high[static_cast<std::size_t>(a - 0x2008)]);
      }
      return words;
    };
    const std::vector<std::uint16_t> factory = calibration();
    HexBuilder h;
    // The first and the last program word, the last EEPROM byte, IDs, and a configuration
    // word with the watchdog off that protects nothing on any family.
    h.Words(0, {0x2805, 0x0123});
    h.Words(m.programWords - 1, {0x0008});
    // Parts without data memory (the 16F716) get none.
    if (m.eepromBytes > 0) h.Eeprom(m.eepromBytes - 1, {0x5A});
    h.Ids({1, 2, 3, 4});
    h.Config(0x3FFB);
    const std::string path = b.dir.Write("p.hex", h.Text());

    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    // Of two parts that show one ID, detection takes the first row.
    EXPECT_EQ(b.op.model, m.sharesIdWith.empty() ? m.index : ModelIndicesById(m.deviceId).front())
        << "detected";
    b.ExpectClean("program");
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();

    const ReadOutcome read = ReadDevice(b.link, b.op);
    ASSERT_EQ(read.result, "ok");
    ASSERT_EQ(read.contents.program.size(), static_cast<std::size_t>(m.programWords));
    EXPECT_EQ(read.contents.program[1], 0x0123);
    // The last word is the file's, unless the part keeps its factory word there.
    const std::uint16_t lastWord = b.sim.Memory().program.back();
    EXPECT_EQ(read.contents.program.back(), Keep(*m.family, m.programWords - 1, 0x0008, lastWord));
    ASSERT_EQ(read.contents.eeprom.size(), static_cast<std::size_t>(m.eepromBytes));
    if (m.eepromBytes > 0) {
      EXPECT_EQ(read.contents.eeprom.back(), 0x5A);
    }
    EXPECT_EQ(read.contents.ids[3] & 0xF, 4);
    EXPECT_FALSE(m.family->protection.RefusesReads(read.contents.Config().value_or(0)));
    for (std::size_t k = 0; k < factory.size(); ++k) {
      const int address = m.family->calibrationWords[k];
      EXPECT_NE(factory[k], 0x3FFF);
      EXPECT_EQ(read.contents.Word(address), factory[k]) << "read back at " << std::hex << address;
    }

    ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
    for (int a = 0; a < m.programWords; ++a) {
      ASSERT_EQ(b.sim.Memory().program[static_cast<std::size_t>(a)],
                Keep(*m.family, a, 0x3FFF, lastWord))
          << a;
    }
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
    b.ExpectClean("erase");
    EXPECT_EQ(calibration(), factory);
  }
}

TEST(Catalogue, NamesAndIdsFindTheirRows) {
  for (const DeviceModel& m : Catalogue()) {
    SCOPED_TRACE(std::string(m.listText));
    EXPECT_EQ(ModelIndexByName(m.modelName), m.index);
    EXPECT_EQ(ModelIndexByName("pic" + std::string(m.listText)), m.index);
    // Any revision of the part's ID, and the bits detection ignores, name the same row; a
    // row that shares its ID with another is one of the two the ID names.
    const std::vector<int> named = ModelIndicesById(static_cast<std::uint16_t>(m.deviceId | 0x1F));
    EXPECT_EQ(named.size(), m.sharesIdWith.empty() ? 1u : 2u);
    EXPECT_NE(std::find(named.begin(), named.end(), m.index), named.end());
    const int first = named.empty() ? 0 : named.front();
    EXPECT_EQ(ModelIndexById(static_cast<std::uint16_t>(m.deviceId | 0x1F)), first);
    EXPECT_EQ(ModelIndexById(static_cast<std::uint16_t>(m.deviceId | (~m.deviceIdMask & 0x3FFF))),
              first);
  }
  EXPECT_EQ(ModelIndexByName("16f84a"), 1);
  EXPECT_EQ(ModelIndexByName("Autodetectar"), 0);
  EXPECT_FALSE(ModelIndexByName("16F8").has_value());
  EXPECT_EQ(ModelIndexById(0x3FFF), 0);
}

// Protection bits are active low; each case clears bits from an unprotected word.
TEST(Catalogue, ProtectionPredicatesReadTheFamilysBits) {
  struct Case {
    const char* model;
    std::uint16_t config;
    bool refusesWrites;
    bool refusesReads;
  };
  const Case cases[] = {
      {"16F84", 0x3FFF, false, false},   {"16F84", 0x3FEF, true, true},  // CP bit 4
      {"16F84", 0x3DFF, false, true},    // any other of the ten CP bits
      {"16F877", 0x3FCF, true, true},    // CP1:CP0 = 00: all protected
      {"16F877", 0x3FDF, false, true},   // CP1:CP0 = 01: the upper half only
      {"16F877", 0x3EFF, false, true},   // CPD
      {"16F877", 0x3BFF, false, false},  // bit 10 is unimplemented and may read 0
      {"16F870", 0x2FFF, false, true},   {"16F877A", 0x1FFF, true, true},  // CP, bit 13
      {"16F877A", 0x3EFF, true, true},                                     // CPD, bit 8
      {"16F877A", 0x3FEF, false, false},                                   // bit 4 is unimplemented
      {"16F628A", 0x3FEF, false, false},                                   // bit 4 is FOSC2
      {"16F628A", 0x1FFF, true, true},
  };
  for (const Case& c : cases) {
    const DeviceModel* m = ModelByIndex(ModelIndexByName(c.model).value_or(0));
    ASSERT_NE(m, nullptr) << c.model;
    EXPECT_EQ(m->family->protection.RefusesWrites(c.config), c.refusesWrites)
        << c.model << " " << std::hex << c.config;
    EXPECT_EQ(m->family->protection.RefusesReads(c.config), c.refusesReads)
        << c.model << " " << std::hex << c.config;
  }
}

}  // namespace
}  // namespace daxwel
