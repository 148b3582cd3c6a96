// What is particular to the 16F627/628 (without A), the 16F716, the 16F7X, the 12F61X and the
// 12F752: the command frames of their erases, and what each keeps through an erase and a program
// pass.
#include <cstring>

#include "bench.h"
#include "device/algorithm.h"
#include "device/read_device.h"
#include "support/frame_log.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::FrameLog;
using testing::HexBuilder;

struct Scope {
  explicit Scope(SimModel model) : sim(model, pacer, 0x378), log(sim), link(log, pacer, 0x378) {
    op.model = testing::IndexOf(model);
    // The HV parts only on an adapter whose VDD is limited, as they must be.
    if (!ModelByIndex(op.model)->hvVdd.empty()) {
      Wiring limited = DefaultWiring();
      limited.vddLimited = true;
      link.SetWiring(limited);
      sim.SetWiring(limited);
    }
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  FrameLog log;
  Link link;
  testing::ScriptedOperator op;
  testing::TempDir dir;
};

// The erase as each family's document gives it, after the device-ID check. The 16F627/628's
// Setup1/Setup2 sequence starts with Load Configuration carrying 0x3FFF, as other programmers
// send it (the document's 0x0000 could leave the part protected).
TEST(ReachFamilies, EraseSendsTheDocumentsSequence) {
  struct Row {
    const char* part;
    const char* erase;
  };
  const Row rows[] = {
      {"16F627",
       "VPP, LoadConfig 3FFF, Inc x7, Setup1, Setup2, Cycle, Setup1, Setup2, LoadData 00FF, "
       "EraseData, Cycle, 0, VPP, LoadConfig 3FFF, LoadProg 3FFF, EraseProg, Cycle, 0, "},
      {"16F628",
       "VPP, LoadConfig 3FFF, Inc x7, Setup1, Setup2, Cycle, Setup1, Setup2, LoadData 00FF, "
       "EraseData, Cycle, 0, VPP, LoadConfig 3FFF, LoadProg 3FFF, EraseProg, Cycle, 0, "},
      // Load Configuration, then the self-timed Bulk Erase: code protection goes with it.
      {"16F716", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      // The same on the 12F61X: from 0x2000, never with the counter on 0x2008.
      {"12F609", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      {"16HV616", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      // And on the 12F752, whose second calibration word (0x2009) is as fragile.
      {"12F752", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      {"12HV752", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      // The 16F7X's Chip Erase takes configuration memory too.
      {"16F73", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
      {"16F77", "VPP, LoadConfig 3FFF, EraseProg, 0, "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.part);
    Scope s{SimModel(row.part)};
    ASSERT_EQ(EraseDevice(s.link, s.op), "ok") << s.op.LastText();
    // After the device ID's read: "VPP, LoadConfig 0010, Inc x6, ReadProg=...., 0, ".
    const std::string summary = s.log.Summary();
    const std::size_t idRead = summary.find(", 0, ");
    ASSERT_NE(idRead, std::string::npos);
    EXPECT_EQ(summary.compare(idRead + 5, std::strlen(row.erase), row.erase), 0) << summary;
    EXPECT_TRUE(s.sim.Violations().empty());
  }
}

// A protected 16F627/628 is erased whole, code protection, IDs and data memory included.
TEST(ReachFamilies, EraseLiftsTheProtectionOfA627) {
  for (const char* part : {"16F627", "16F628"}) {
    SCOPED_TRACE(part);
    Scope s{SimModel(part)};
    auto& memory = s.sim.Memory();
    memory.program[0] = 0x1234;
    memory.eeprom[5] = 0x42;
    memory.ids[2] = 0x0007;
    memory.config = 0x0000;  // every CP pair and CPD on
    ASSERT_EQ(EraseDevice(s.link, s.op), "ok") << s.op.LastText();
    EXPECT_EQ(memory.program[0], 0x3FFF);
    EXPECT_EQ(memory.eeprom[5], 0xFF);
    EXPECT_EQ(memory.ids[2], 0x3FFF);
    EXPECT_EQ(memory.config & 0x3DFF, 0x3DFF);
    EXPECT_TRUE(s.sim.Violations().empty());
  }
}

// A configuration word that must get a bit back takes the Setup1/Setup2 erase; the data bytes
// the file leaves out come back after it.
TEST(ReachFamilies, A627ConfigurationBitIsSetOnlyByTheFullEraseKeepingTheData) {
  Scope s{SimModel("16F628")};
  auto& memory = s.sim.Memory();
  memory.config = 0x3DFB;  // watchdog off
  memory.eeprom[9] = 0x33;
  memory.program[100] = 0x0ABC;
  HexBuilder h;
  h.Words(0, {0x2805});
  h.Eeprom(0, {0x11});
  h.Config(0x3FFF);  // watchdog on again
  const std::string path = s.dir.Write("p.hex", h.Text());
  ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << s.op.LastText();
  EXPECT_NE(s.log.Summary().find("Setup1, Setup2, Cycle"), std::string::npos);
  EXPECT_EQ(memory.config & 0x3DFF, 0x3DFF);
  EXPECT_EQ(memory.eeprom[0], 0x11);
  EXPECT_EQ(memory.eeprom[9], 0x33);
  EXPECT_EQ(memory.program[0], 0x2805);
  EXPECT_TRUE(s.sim.Violations().empty());
}

// The 16F716 writes four latches per 011000, ended by its own End Programming (001110), with
// 0x3FFF in the latches of the words that stay; the configuration word alone in its row.
TEST(ReachFamilies, The716WritesRowsOfFourEndedBy001110) {
  Scope s{SimModel("16F716")};
  HexBuilder h;
  h.Words(0, {0x2805, 0x0001, 0x0002, 0x0003, 0x0004});
  h.Config(0x3FF1);
  const std::string path = s.dir.Write("p.hex", h.Text());
  ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << s.op.LastText();
  const std::string summary = s.log.Summary();
  EXPECT_NE(summary.find("VPP, LoadProg 2805, Inc, LoadProg 0001, Inc, LoadProg 0002, Inc, "
                         "LoadProg 0003, ProgOnly, Cmd 000E, Inc, LoadProg 0004, "
                         "(Inc, LoadProg 3FFF) x3, ProgOnly, Cmd 000E, 0"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("LoadConfig 3FFF, Inc x7, LoadProg 3FF1, ProgOnly, Cmd 000E"),
            std::string::npos)
      << summary;
  EXPECT_EQ(summary.find("Cycle"), std::string::npos) << "no 001000 on this part";
  EXPECT_EQ(s.sim.Memory().program[4], 0x0004);
  EXPECT_EQ(s.sim.Memory().config & 0x20CF, 0x3FF1 & 0x20CF);
  EXPECT_TRUE(s.sim.Violations().empty());
}

// The 16F7X write pairs of latches with 001000 ended by 001110 (never 011000), 0x3FFF in the
// latch of a word that stays; the configuration word is the odd word of the pair at 0x2006.
// A word that must get bits back makes the pass start with the Chip Erase.
TEST(ReachFamilies, The7XWritePairsEndedBy001110) {
  for (const char* part : {"16F72", "16F74", "16F76"}) {
    SCOPED_TRACE(part);
    Scope s{SimModel(part)};
    s.sim.Memory().program[1] = 0x0000;
    HexBuilder h;
    h.Words(0, {0x2805, 0x0001, 0x0002});
    h.Config(0x3FFB);  // watchdog off
    const std::string path = s.dir.Write("p.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << s.op.LastText();
    const std::string summary = s.log.Summary();
    EXPECT_NE(summary.find("EraseProg"), std::string::npos) << summary;
    EXPECT_NE(summary.find("VPP, LoadProg 2805, Inc, LoadProg 0001, Cycle, Cmd 000E, Inc, "
                           "LoadProg 0002, Inc, LoadProg 3FFF, Cycle, Cmd 000E, Inc x"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Inc x6, LoadProg 3FFF, Inc, LoadProg 3FFB, Cycle, Cmd 000E"),
              std::string::npos)
        << summary;
    EXPECT_EQ(summary.find("ProgOnly"), std::string::npos) << "no 011000 on this part";
    EXPECT_EQ(s.sim.Memory().program[2], 0x0002);
    EXPECT_EQ(s.sim.Memory().program[3], 0x3FFF);
    EXPECT_EQ(s.sim.Memory().config & 0x005F, 0x3FFB & 0x005F);
    EXPECT_TRUE(s.sim.Violations().empty());
  }
}

// The 12F61X keep their calibration word (0x2008), the 12F752 both of theirs (0x2008, 0x2009),
// through an erase, a program pass that erases first and a read, and never see 001000: the
// family has no self-timed write.
TEST(ReachFamilies, The61xKeepTheirCalibrationAndNeverUseATimedWrite) {
  for (const char* part :
       {"12F609", "12HV615", "12F617", "16F616", "16HV610", "12F752", "12HV752"}) {
    SCOPED_TRACE(part);
    Scope s{SimModel(part)};
    auto& memory = s.sim.Memory();
    const std::uint16_t factory = memory.high[0];
    const std::uint16_t second = memory.high[1];
    ASSERT_NE(factory, 0x3FFF);
    ASSERT_EQ(second != 0x3FFF, std::string_view(part).ends_with("752"));
    // A programmed chip whose words must get bits back: only an erase does it.
    memory.program[1] = 0x0000;
    memory.ids[0] = 0x0001;
    memory.config = 0x3FF7;  // watchdog off, not protected
    HexBuilder h;
    h.Words(0, {0x2805, 0x0123, 0x0456, 0x0789, 0x0ABC});
    h.Ids({1, 2, 3, 4});
    h.Config(0x3FFF);  // also writes 0x2008's place in a file: the note, never a write
    const std::string path = s.dir.Write("p.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << s.op.LastText();
    EXPECT_EQ(memory.program[1], 0x0123);
    EXPECT_EQ(memory.program[4], 0x0ABC);
    EXPECT_EQ(memory.high[0], factory) << "program";
    EXPECT_EQ(memory.high[1], second) << "program";
    EXPECT_EQ(VerifyDevice(path, s.link, s.op), "ok") << s.op.LastText();
    const ReadOutcome read = ReadDevice(s.link, s.op);
    ASSERT_EQ(read.result, "ok");
    EXPECT_EQ(read.contents.Word(0x2008), factory);
    if (second != 0x3FFF) {
      EXPECT_EQ(read.contents.Word(0x2009), second);
    }
    ASSERT_EQ(EraseDevice(s.link, s.op), "ok") << s.op.LastText();
    EXPECT_EQ(memory.high[0], factory) << "erase";
    EXPECT_EQ(memory.high[1], second) << "erase";
    EXPECT_EQ(memory.program[1], 0x3FFF);
    const std::string summary = s.log.Summary();
    EXPECT_EQ(summary.find("Cycle"), std::string::npos) << summary;
    EXPECT_NE(summary.find("ProgOnly, Cmd 000A"), std::string::npos);
    EXPECT_TRUE(s.sim.Violations().empty());
  }
}

// The warning before a configuration that only a VPP-first entry gets past: MCLR off with the
// internal oscillator, which the 12F752 selects with FOSC0 = 0 alone.
TEST(ReachFamilies, ReentryWarningFollowsEachPartsOscillatorBits) {
  struct Row {
    const char* part;
    std::uint16_t config;
    bool warns;
  };
  const Row rows[] = {
      {"12F752", 0x3FDE, true},   // MCLRE 0, FOSC0 0: internal oscillator
      {"12HV752", 0x3FD8, true},  // bits 2-1 unimplemented, whatever they hold
      {"12F752", 0x3FDF, false},  // EC on RA5
      {"12F752", 0x3FFE, false},  // MCLR on
      {"12F609", 0x3FDC, true},   // FOSC 100: INTOSC I/O
      {"12F609", 0x3FDE, false},  // FOSC 110: external RC
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.part) + " " + std::to_string(row.config));
    const DeviceModel* model = ModelByIndex(testing::IndexOf(SimModel(row.part)));
    ASSERT_NE(model, nullptr);
    const auto& algorithm = detail::AlgorithmOf(*model);
    EXPECT_EQ(algorithm.LocksReentry(row.config), row.warns);
    EXPECT_EQ(algorithm.ConfigWarning(row.config).empty(), !row.warns);
  }
}

}  // namespace
}  // namespace daxwel
