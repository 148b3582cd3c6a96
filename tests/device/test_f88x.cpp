// The 16F88X, 16F6XX/12F683 and 16F91X through the operations: factory calibration words in
// configuration memory, two configuration words, code protection lifted by an erase, and the
// 12 V MCLR limit.
#include "bench.h"
#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/read_device.h"
#include "image/hex_writer.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

// One part of each family, with its calibration addresses.
struct Part {
  SimModel model;
  std::vector<int> calibration;
};
const Part kParts[] = {{SimModel("16F887"), {0x2009}},
                       {SimModel("16F690"), {0x2008}},
                       {SimModel("16F917"), {0x2008, 0x2009}}};

std::uint16_t HighWord(const Bench& b, int address) {
  return b.sim.Memory().high[static_cast<std::size_t>(address - 0x2008)];
}

// A file that carries values where the factory keeps its calibration: the chip keeps its own,
// and the result says why the file's were not written. A calibration another tool erased is
// read, shown as lost, and left erased.
TEST(F88x, CalibrationInTheFileIsLeftWithANote) {
  for (const Part& p : kParts) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    Bench b(p.model);
    std::vector<std::uint16_t> factory;
    for (int a : p.calibration) factory.push_back(HighWord(b, a));
    HexBuilder h;
    h.Words(0, {0x2805}).Words(0x2007, {0x3FF4, 0x0000, 0x0000});
    const std::string path = b.dir.Write("cal.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean("program");
    for (std::size_t k = 0; k < factory.size(); ++k) {
      EXPECT_EQ(HighWord(b, p.calibration[k]), factory[k]);
      EXPECT_NE(b.op.LastText().find("Nota: el archivo trae un valor en 0x" +
                                     detail::AddressText(p.calibration[k]) +
                                     " (calibración de fábrica); no se escribe"),
                std::string::npos)
          << b.op.LastText();
    }
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();

    sim::Faults erased;
    erased.lostCalibration = true;
    Bench lost(p.model, erased);
    const ReadOutcome read = ReadDevice(lost.link, lost.op, ReadScope::ConfigurationOnly);
    ASSERT_EQ(read.result, "ok");
    const DeviceModel& row = *ModelByIndex(read.modelIndex);
    const std::vector<std::string> lines = detail::CalibrationLines(*row.family, read.contents);
    ASSERT_EQ(lines.size(), p.calibration.size());
    for (const std::string& line : lines) EXPECT_NE(line.find("(perdida)"), std::string::npos);
    ASSERT_EQ(ProgramDevice(path, lost.link, lost.op), "ok") << lost.op.LastText();
    for (int a : p.calibration) {
      EXPECT_EQ(HighWord(lost, a), 0x3FFF);
      EXPECT_NE(lost.op.LastText().find(detail::AddressText(a) + " se lee 0x3FFF (perdida"),
                std::string::npos)
          << lost.op.LastText();
    }
    lost.ExpectClean("lost");
  }
}

// CP (bit 6) and CPD (bit 7) on: programming and reading stop, the erase clears both without
// touching the calibration, and the part programs again.
TEST(F88x, ProtectedPartsAreClearedByEraseAndProgramAgain) {
  for (const Part& p : kParts) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    Bench b(p.model);
    std::vector<std::uint16_t> factory;
    for (int a : p.calibration) factory.push_back(HighWord(b, a));
    HexBuilder h;
    h.Words(0, {0x2805, 0x0123}).Eeprom(0, {0x5A}).Config(0x3FF4 & ~0x00C0);
    const std::string path = b.dir.Write("cp.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.sim.Memory().config & 0x00C0, 0);
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "cp-error");
    EXPECT_EQ(ReadDevice(b.link, b.op).result, "cp-error");

    ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.sim.Memory().config & 0x00C0, 0x00C0);
    EXPECT_EQ(b.sim.Memory().eeprom[0], 0xFF);
    EXPECT_EQ(b.sim.Memory().ids[0], 0x3FFF);
    for (std::size_t k = 0; k < factory.size(); ++k) {
      EXPECT_EQ(HighWord(b, p.calibration[k]), factory[k]);
    }
    HexBuilder plain;
    plain.Words(0, {0x2805, 0x0123}).Eeprom(0, {0x5A}).Config(0x3FF4);
    const std::string again = b.dir.Write("plain.hex", plain.Text());
    ASSERT_EQ(ProgramDevice(again, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(VerifyDevice(again, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean("after erase");
  }
}

// The 16F887's second word: written from the file, from the dialog's fields and from a
// reprogram that must erase first, read back into the read-back file at 0x4010, and verified.
TEST(F88x, TwoConfigurationWordsAreWrittenReadBackAndVerified) {
  Bench b(SimModel("16F887"));
  HexBuilder h;
  h.Words(0, {0x2805}).Words(0x2007, {0x2FF4, 0x39FF});
  const std::string path = b.dir.Write("two.hex", h.Text());
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
  EXPECT_EQ(HighWord(b, 0x2008), 0x39FF);
  EXPECT_NE(b.op.confirmations.front().text.find("Flash Program Memory Write: 0000-0FFF Protected"),
            std::string::npos)
      << b.op.confirmations.front().text;
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();

  const ReadOutcome read = ReadDevice(b.link, b.op);
  ASSERT_EQ(read.result, "ok");
  EXPECT_EQ(read.contents.Config(), 0x2FF4);
  EXPECT_EQ(read.contents.Word(0x2008), 0x39FF);
  const HexLoadResult back = ParseHexImage(FormatInhx8m(read.contents, true), {8192, 256});
  ASSERT_EQ(back.status, HexStatus::Ok);
  EXPECT_EQ(FileConfigWords(back.image, 2), ToBitString(0x2FF4) + ToBitString(0x39FF));

  // A second word that differs is found, at its own address.
  HexBuilder other;
  other.Words(0, {0x2805}).Words(0x2007, {0x2FF4, 0x3EFF});
  const std::string otherPath = b.dir.Write("other.hex", other.Text());
  EXPECT_EQ(VerifyDevice(otherPath, b.link, b.op), "verify-error");
  EXPECT_NE(b.op.LastText().find("Configuration Word 2\rDirección 0x2008"), std::string::npos)
      << b.op.LastText();

  // The dialog's fields compose both words; the chip's second word must gain bits, so the
  // part is erased first.
  b.op.configSource = SetConfigWord(ModelByIndex(b.op.model)->family->layout,
                                    {.chkFromFile = false, .values = {{"bor4v", "21"}}});
  ASSERT_EQ(b.op.configSource.size(), 28u);
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
  EXPECT_EQ(HighWord(b, 0x2008), 0x3EFF);
  EXPECT_EQ(VerifyDevice(otherPath, b.link, b.op), "ok") << b.op.LastText();
  b.ExpectClean();
}

// A few words that must gain bits are written in place: their 16-word rows are erased and
// written whole, the chip's words past the file's end included, and nothing else is touched.
TEST(F88x, RowsThatMustGainBitsAreErasedAndRewrittenInPlace) {
  for (SimModel m : {SimModel("16F882"), SimModel("16F886")}) {
    SCOPED_TRACE(std::string(sim::SimModelName(m)));
    Bench b(m);
    auto& program = b.sim.Memory().program;
    for (std::size_t a = 0; a < program.size(); ++a) program[a] = static_cast<std::uint16_t>(a);
    HexBuilder h;
    h.Words(0, std::vector<int>(21, 0x3FF0)).Config(0x3FF4);
    ASSERT_EQ(ProgramDevice(b.dir.Write("p.hex", h.Text()), b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean();
    for (std::size_t a = 0; a < 48; ++a) {
      EXPECT_EQ(b.sim.Memory().program[a], a < 21 ? 0x3FF0 : a) << a;
    }
    EXPECT_EQ(b.sim.Memory().program.back(), program.size() - 1);
    EXPECT_EQ(b.sim.Stats().bulkErases, 0);
  }
}

// The 16F88X and 16F91X take at most 12 V on MCLR: the first program of a session asks, a
// refusal writes nothing and asks again; the 16F6XX takes 13 V and is never asked.
TEST(F88x, TwelveVoltPartsAreConfirmedOncePerSession) {
  const auto asked = [](const testing::ScriptedOperator& op) {
    int n = 0;
    for (const auto& c : op.confirmations)
      n += c.text.find("como máximo 12 V") != std::string::npos;
    return n;
  };
  HexBuilder h;
  h.Words(0, {0x2805}).Config(0x3FF4);
  for (SimModel m : {SimModel("16F887"), SimModel("16F917"), SimModel("16F690")}) {
    SCOPED_TRACE(std::string(sim::SimModelName(m)));
    const bool limited = m != SimModel("16F690");
    Bench b(m);
    const std::string path = b.dir.Write("p.hex", h.Text());
    if (limited) {
      b.op.answers = {true, false};
      EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
      EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
    }
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(asked(b.op), limited ? 2 : 0);
  }
}

}  // namespace
}  // namespace daxwel
