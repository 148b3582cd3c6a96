// Reprogramming a used chip: what the file leaves out survives, the IDs and the
// configuration word are read back, and an identical image costs no cycle it need not.
#include "bench.h"
#include "device/catalogue.h"
#include "device/program_plan.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

constexpr int kConfig = 0x3FFB;  // watchdog off, nothing protected on any family

TEST(EveryByte, ReprogrammingKeepsWhatTheFileLeavesOut) {
  for (SimModel m : {SimModel("16F877"), SimModel("16F84A"), SimModel("16F877A"),
                     SimModel("16F628A"), SimModel("16F887"), SimModel("16F690")}) {
    SCOPED_TRACE(std::string(sim::SimModelName(m)));
    Bench b(m);
    const int size = static_cast<int>(b.sim.Memory().program.size());
    const int bytes = static_cast<int>(b.sim.Memory().eeprom.size());
    // First a full chip: code to the end, every EEPROM byte 0x00.
    HexBuilder first;
    std::vector<int> code(static_cast<std::size_t>(size));
    for (int a = 0; a < size; ++a) code[static_cast<std::size_t>(a)] = (a * 7 + 1) & 0x3FFF;
    first.Words(0, code)
        .Eeprom(0, std::vector<int>(static_cast<std::size_t>(bytes), 0))
        .Config(kConfig);
    ASSERT_EQ(ProgramDevice(b.dir.Write("a.hex", first.Text()), b.link, b.op), "ok")
        << b.op.LastText();
    // Then a file over three quarters of program memory whose every word differs (the
    // 16F87X then erase first, the later families must), and two bytes that set bits.
    HexBuilder second;
    const int covered = size * 3 / 4;
    std::vector<int> other(static_cast<std::size_t>(covered));
    for (int a = 0; a < covered; ++a) other[static_cast<std::size_t>(a)] = (a * 7 + 2) & 0x3FFF;
    second.Words(0, other).Eeprom(0, {0x5A, 0xFF}).Config(kConfig);
    const std::string path = b.dir.Write("b.hex", second.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean("second program");
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();
    const auto& mem = b.sim.Memory();
    for (int a = covered; a < size; ++a) {
      ASSERT_EQ(mem.program[static_cast<std::size_t>(a)], (a * 7 + 1) & 0x3FFF) << "word " << a;
    }
    for (int i = 2; i < bytes; ++i) ASSERT_EQ(mem.eeprom[static_cast<std::size_t>(i)], 0) << i;
  }
}

TEST(EveryByte, AnIdenticalImageWritesOnlyWhatTheFamilyAlwaysRewrites) {
  const struct {
    SimModel model;
    long long cycles;  // the original parts rewrite the IDs and the configuration word
  } rows[] = {{SimModel("16F877"), 5},  {SimModel("16F84A"), 5}, {SimModel("16F877A"), 0},
              {SimModel("16F628A"), 0}, {SimModel("16F887"), 0}, {SimModel("16F917"), 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(sim::SimModelName(row.model)));
    Bench b(row.model);
    HexBuilder h;
    h.Words(0, {0x2805, 0x0000, 0x1683}).Eeprom(0, {0x41}).Ids({1, 2, 3, 4}).Config(kConfig);
    const std::string path = b.dir.Write("p.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.sim.ResetStats();
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.sim.Stats().programCycles, row.cycles);
    EXPECT_EQ(b.sim.Stats().bulkErases, 0);
    b.ExpectClean();
  }
}

// A configuration write that did not take is a failure of program and of verify.
TEST(EveryByte, IdsAndConfigurationAreReadBack) {
  for (SimModel m : {SimModel("16F877"), SimModel("16F84A"), SimModel("16F877A"),
                     SimModel("16F628A"), SimModel("16F887"), SimModel("16F690")}) {
    SCOPED_TRACE(std::string(sim::SimModelName(m)));
    Bench b(m);
    HexBuilder h;
    h.Words(0, {0x2805}).Ids({1, 2, 3, 4}).Config(kConfig);
    const std::string path = b.dir.Write("p.hex", h.Text());
    // The adapter goes away as the configuration phase starts.
    b.op.onProgress = [&](const std::string& text) {
      if (text == "Programando Configuration Word...") b.sim.GetFaults().noAdapter = true;
    };
    EXPECT_NE(ProgramDevice(path, b.link, b.op), "ok") << "unplugged";
    b.op.onProgress = nullptr;
    b.sim.GetFaults().noAdapter = false;
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    // Another configuration word in the chip than in the file.
    b.sim.Memory().config = kConfig & ~0x0008;
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
    EXPECT_NE(b.op.LastText().find("Configuration Word"), std::string::npos) << b.op.LastText();
    b.sim.Memory().config = kConfig;
    b.sim.Memory().ids[2] = 0x3F85;
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
    EXPECT_NE(b.op.LastText().find("0x2002"), std::string::npos) << b.op.LastText();
  }
  // A configuration word that does not take is caught by program, then by verify.
  Bench failing(SimModel("16F877A"));
  failing.sim.GetFaults().configFail = true;
  HexBuilder plain;
  plain.Words(0, {0x2805}).Config(kConfig);
  const std::string plainPath = failing.dir.Write("c.hex", plain.Text());
  EXPECT_EQ(ProgramDevice(plainPath, failing.link, failing.op), "verify-error");
  EXPECT_EQ(VerifyDevice(plainPath, failing.link, failing.op), "verify-error");

  // A 16F62XA whose bulk erase keeps the configuration word cannot take one that sets a bit.
  Bench b(SimModel("16F628A"));
  b.sim.GetFaults().keepConfig = true;
  HexBuilder before;
  HexBuilder after;
  before.Words(0, {0x2805}).Config(0x3F21);
  after.Words(0, {0x2805}).Config(0x3F29);
  ASSERT_EQ(ProgramDevice(b.dir.Write("a.hex", before.Text()), b.link, b.op), "ok");
  EXPECT_EQ(ProgramDevice(b.dir.Write("b.hex", after.Text()), b.link, b.op), "verify-error");
  EXPECT_EQ(b.sim.Memory().config & 0x21FF, 0x3F21 & 0x21FF);
}

// A family that keeps factory values: a whole program word and a configuration bit stay as
// the chip holds them, whatever the file says, and the rest of both is the file's.
TEST(EveryByte, PreservedBitsKeepTheChipsValue) {
  const DeviceModel& row = *ModelByIndex(ModelIndexByName("16F877").value_or(0));
  const PreservedBits kept[] = {{0x0005, 0x3FFF}, {0x2007, 0x0800}};
  const FamilyDescriptor family{row.family->algorithm, row.family->protection,
                                row.family->configMask, row.family->layout, kept};
  DeviceModel model = row;
  model.family = &family;
  EXPECT_EQ(family.WritableBits(5), 0);
  EXPECT_EQ(family.WritableBits(4), 0x3FFF);

  Bench b(SimModel("16F877"));
  b.sim.Memory().program[5] = 0x3455;
  b.sim.Memory().config = 0x37FF;
  HexBuilder h;
  h.Words(0, std::vector<int>(8, 0x0000)).Config(0x3F39);
  const HexLoadResult loaded = LoadHexImage(b.dir.Write("p.hex", h.Text()), {8192, 256});
  ASSERT_EQ(loaded.status, HexStatus::Ok);
  detail::Session s(b.link, b.op);
  s.model = &model;
  s.cycles = model.cycles;
  detail::ConfigMemory wantConfig = detail::ErasedConfigMemory();
  for (std::size_t j = 0; j < 4; ++j) wantConfig[j] = 0x3F80;
  wantConfig[detail::kConfigWordIndex] = 0x3F39;
  const detail::FactoryBits factory = detail::ReadFactoryBits(s);
  const detail::ProgramPlan plan =
      detail::PlanProgram(s, loaded.image, wantConfig, factory, [](int) {});
  detail::SafeLinesOff(b.link);
  ASSERT_EQ(plan.want.size(), 8u);
  EXPECT_EQ(plan.want[5], 0x3455);
  EXPECT_EQ(plan.want[4], 0x0000);
  EXPECT_EQ(plan.wantConfig[detail::kConfigWordIndex], 0x3739);
}

// Calibration words in configuration memory are read and shown but never written nor
// compared; a file's value there only earns a note.
TEST(EveryByte, CalibrationWordsAreReadButNeverWrittenNorCompared) {
  const DeviceModel& row = *ModelByIndex(ModelIndexByName("16F877").value_or(0));
  static constexpr int kCalibration[] = {0x2008};
  FamilyDescriptor family = *row.family;
  family.calibrationWords = kCalibration;
  DeviceModel model = row;
  model.family = &family;

  Bench b(SimModel("16F877"));
  b.sim.Memory().high[0] = 0x2A5A;
  HexBuilder h;
  h.Words(0x2007, {0x3F39, 0x0000});
  const HexLoadResult loaded = LoadHexImage(b.dir.Write("p.hex", h.Text()), {8192, 256});
  ASSERT_EQ(loaded.status, HexStatus::Ok);
  EXPECT_EQ(detail::CalibrationFileNote(family, loaded.image),
            "Nota: el archivo trae un valor en 0x2008 (calibración de fábrica); no se escribe");

  detail::Session s(b.link, b.op);
  s.model = &model;
  s.cycles = model.cycles;
  detail::ConfigMemoryWant want =
      detail::WrittenIdsAndConfig(loaded.image, FileConfigWords(loaded.image, 2), family);
  EXPECT_FALSE(want.words[8].has_value());
  detail::ConfigMemory words = detail::ErasedConfigMemory();
  for (std::size_t j = 0; j < words.size(); ++j) words[j] = want.words[j].value_or(0x0000);
  s.Reset();
  s.Enter();
  const long long cycles = b.sim.Stats().programCycles;
  detail::AlgorithmOf(model).WriteIdsAndConfig(s, words, detail::ErasedConfigMemory());
  EXPECT_EQ(b.sim.Stats().programCycles - cycles, 5) << "four IDs and one configuration word";
  // Even a want at the calibration address is not compared.
  want.words[8] = 0x0000;
  const detail::Outcome checked = detail::CheckIdsAndConfig(s, want, "programar");
  EXPECT_TRUE(checked.IsOk()) << checked.Text();
  EXPECT_EQ(detail::ReadIdsAndConfig(s)[8], 0x2A5A);
  detail::SafeLinesOff(b.link);
  EXPECT_EQ(b.sim.Memory().high[0], 0x2A5A);
  b.ExpectClean();

  ChipContents read;
  read.configMemory[0x2008] = 0x2A5A;
  EXPECT_EQ(detail::CalibrationLines(family, read),
            std::vector<std::string>{"Calibración 0x2008: 0x2A5A"});
  read.configMemory[0x2008] = 0x3FFF;
  EXPECT_EQ(detail::CalibrationLines(family, read),
            std::vector<std::string>{"Calibración 0x2008: 0x3FFF (perdida)"});
}

}  // namespace
}  // namespace daxwel
