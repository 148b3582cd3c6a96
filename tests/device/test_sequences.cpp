// The command sequences as the target receives them, and the edge cases of programming,
// verification and erase that only show on the lines.
#include "bench.h"
#include "support/frame_log.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::FrameLog;
using testing::HexBuilder;

// A simulated chip behind a decoder of what its lines carried.
struct Scope {
  explicit Scope(SimModel model, sim::Faults faults = {})
      : sim(model, pacer, 0x378, faults), log(sim), link(log, pacer, 0x378) {
    op.model = testing::IndexOf(model);
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  FrameLog log;
  Link link;
  testing::ScriptedOperator op;
  testing::TempDir dir;
};

std::string SmallFile() {
  HexBuilder h;
  h.Words(0, {0x2805, 0x0000});
  h.Eeprom(0, {0x41});
  h.Ids({0x0005});
  h.Config(0x3FF1);
  return h.Text();
}

// Read on a blank chip: program words 3FFF, data bytes with their upper bits read as 0. A
// reading pass over the file's words and the IDs and configuration word comes first; the
// 16F87X then write an erased program word with the programming-only cycle, and the 16F84
// row, which waits erase/program cycles, first reads the device ID to learn which of its two
// parts it has. The IDs and the configuration word are read back at the end.
constexpr const char* kSurvey =
    "VPP, ReadProg=3FFF, Inc, ReadProg=3FFF, 0, "
    "VPP, LoadConfig 0010, (ReadProg=3FFF, Inc) x4, Inc x3, ReadProg=3FFF, 0, ";
constexpr const char* kWriteData =
    "VPP, ReadData=00FF, LoadData 0041, Cycle, ReadData=0041, 0, "
    "VPP, LoadConfig 0000, LoadProg 3F85, Cycle, Inc, LoadProg 3F80, Cycle, Inc, "
    "LoadProg 3F80, Cycle, Inc, LoadProg 3F80, Cycle, Inc x4, LoadProg 3FF1, Cycle, 0, ";
constexpr const char* kReadBack =
    "VPP, LoadConfig 0010, ReadProg=3F85, (Inc, ReadProg=3F80) x3, Inc x4, ReadProg=3FF1, 0, "
    "VPP, 0";
const std::string kProgramBlank87x =
    std::string("VPP, LoadConfig 0010, Inc x7, ReadProg=3FFF, 0, ") + kSurvey +
    "VPP, LoadProg 2805, ProgOnly, ReadProg=2805, Inc, LoadProg 0000, ProgOnly, "
    "ReadProg=0000, 0, " +
    kWriteData + kReadBack;
const std::string kProgramBlank84 =
    std::string("VPP, LoadConfig 0010, Inc x6, ReadProg=0000, 0, ") +
    "VPP, LoadConfig 0010, Inc x7, ReadProg=3FFF, 0, " + kSurvey +
    "VPP, LoadProg 2805, Cycle, ReadProg=2805, Inc, LoadProg 0000, Cycle, ReadProg=0000, 0, " +
    kWriteData + kReadBack;
constexpr const char* kIdRead84 = "VPP, LoadConfig 0010, Inc x6, ReadProg=0000, 0, ";
// The 16F84 row chosen by hand reads the IDs, the configuration word and the device ID first:
// all of them 0 is a data line that nothing drives.
const std::string kLineCheck84Blank =
    std::string("VPP, LoadConfig 0010, (ReadProg=3FFF, Inc) x4, Inc x3, ReadProg=3FFF, 0, ") +
    kIdRead84;
const std::string kLineCheck84 =
    std::string(
        "VPP, LoadConfig 0010, ReadProg=3F85, (Inc, ReadProg=3F80) x3, Inc x4, "
        "ReadProg=3FF1, 0, ") +
    kIdRead84;
// A 16F87X chosen by hand shows its device ID before anything is written, read or erased.
constexpr const char* kIdRead877 = "VPP, LoadConfig 0010, Inc x6, ReadProg=09A3, 0, ";
const std::string kVerify =
    "VPP, LoadConfig 0010, Inc x7, ReadProg=3FF1, 0, "
    "VPP, ReadProg=2805, Inc, ReadProg=0000, 0, VPP, ReadData=0041, 0, " +
    std::string(kReadBack);
constexpr const char* kEraseSequence =
    "VPP, LoadConfig 3FFF, Inc x7, Setup1, Setup2, Cycle, Setup1, Setup2, EraseProg, Cycle, "
    "EraseData, Cycle, 0, VPP, ";

TEST(Sequences, ProgramVerifyAndEraseSendExactlyTheseCommands) {
  struct Row {
    SimModel model;
    std::string programBlank;
    std::string verifyIdRead;
    std::string eraseIdRead;
    const char* blankCheck;
  };
  for (const Row& row :
       {Row{SimModel("16F877"), kIdRead877 + std::string(kProgramBlank87x), kIdRead877, kIdRead877,
            "(ReadProg=3FFF, Inc) x8192, 0, VPP, (ReadData=00FF, Inc) x255, ReadData=00FF, 0"},
        Row{SimModel("16F84"), kLineCheck84Blank + kProgramBlank84, kLineCheck84,
            kLineCheck84 + kIdRead84,
            "(ReadProg=3FFF, Inc) x1024, 0, VPP, (ReadData=00FF, Inc) x63, ReadData=00FF, 0"}}) {
    const std::string name(sim::SimModelName(row.model));
    Scope s(row.model);
    const std::string path = s.dir.Write("small.hex", SmallFile());
    ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << name;
    EXPECT_EQ(s.log.Summary(), row.programBlank) << name;
    s.log.events.clear();
    ASSERT_EQ(VerifyDevice(path, s.link, s.op), "ok") << name;
    EXPECT_EQ(s.log.Summary(), row.verifyIdRead + kVerify) << name;
    s.log.events.clear();
    ASSERT_EQ(EraseDevice(s.link, s.op), "ok") << name;
    EXPECT_EQ(s.log.Summary(), row.eraseIdRead + (kEraseSequence + std::string(row.blankCheck)))
        << name;
    EXPECT_TRUE(s.sim.Violations().empty()) << name;
  }
}

TEST(Sequences, LinesStayInProgrammingModeWhileAFailureIsOnScreen) {
  struct Row {
    const char* name;
    bool verify;
    std::function<void(Scope&)> spoil;
    const char* title;
  };
  const std::vector<Row> rows{
      {"program word", false, [](Scope& s) { s.sim.GetFaults().stuckProgram = {1}; }, "Error"},
      {"program byte", false, [](Scope& s) { s.sim.GetFaults().stuckEeprom = {0}; }, "Error"},
      {"program cp", false, [](Scope& s) { s.sim.Memory().config = 0x3FE1; },
       "Code Protect activado !!!"},
      {"verify word", true, [](Scope& s) { s.sim.Memory().program[1] = 0x1111; }, "Error"},
      {"verify byte", true, [](Scope& s) { s.sim.Memory().eeprom[0] = 0x42; }, "Error"},
      {"verify cp", true, [](Scope& s) { s.sim.Memory().config = 0x3FE1; },
       "Code Protect activado !!!"},
  };
  for (const Row& row : rows) {
    Scope s(SimModel("16F877"));
    const std::string path = s.dir.Write("small.hex", SmallFile());
    if (row.verify) {
      ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << row.name;
    }
    row.spoil(s);
    std::vector<int> onScreen;
    s.op.onMessage = [&] { onScreen.push_back(s.sim.DataRegister()); };
    const std::string result =
        row.verify ? VerifyDevice(path, s.link, s.op) : ProgramDevice(path, s.link, s.op);
    EXPECT_NE(result, "ok") << row.name;
    EXPECT_EQ(s.op.LastTitle(), row.title) << row.name;
    // VPP on, clock and data low while the user reads it; all lines at 0 once it is closed.
    EXPECT_EQ(onScreen.back(), 4) << row.name;
    EXPECT_EQ(s.sim.DataRegister(), 0) << row.name;
  }
}

TEST(Sequences, EachMemoryIsReadOnlyWhenTheFileHasIt) {
  struct Row {
    const char* name;
    HexBuilder file;
    bool readsData;
    // The device ID's, the configuration word's and the IDs and configuration read back
    int programReads;
  };
  HexBuilder eepromOnly, programOnly;
  eepromOnly.Eeprom(0, {0x41}).Config(0x3FF1);
  programOnly.Words(0, {0x2805, 0x0000}).Config(0x3FF1);
  for (const Row& row :
       {Row{"EEPROM only", eepromOnly, true, 8}, Row{"program only", programOnly, false, 9}}) {
    Scope s(SimModel("16F877"));
    const std::string path = s.dir.Write("f.hex", row.file.Text());
    ASSERT_EQ(ProgramDevice(path, s.link, s.op), "ok") << row.name;
    s.log.events.clear();
    s.op.progress.clear();
    ASSERT_EQ(VerifyDevice(path, s.link, s.op), "ok") << row.name;
    int programReads = 0;
    int dataReads = 0;
    for (const std::string& e : s.log.events) {
      programReads += e.rfind("ReadProg", 0) == 0 ? 1 : 0;
      dataReads += e.rfind("ReadData", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(programReads, row.programReads) << row.name;
    EXPECT_EQ(dataReads > 0, row.readsData) << row.name;
    EXPECT_TRUE(s.op.Saw("Verificando Program Memory:  0x0000")) << row.name;
    EXPECT_EQ(s.op.Saw("Verificando Data Memory:  0x0000"), row.readsData) << row.name;
  }

  // Address 0 is compared even when the file only has EEPROM: a used word there fails.
  Scope s(SimModel("16F877"));
  s.sim.Memory().program[0] = 0x1234;
  const std::string path = s.dir.Write("ee.hex", eepromOnly.Text());
  EXPECT_EQ(VerifyDevice(path, s.link, s.op), "verify-error");
  EXPECT_EQ(s.op.LastText(), "Error al verificar Program Memory\rDirección 0x0000");
}

// The erase's blank check covers data memory too: a byte the bulk erase could not clear is
// named, not reported as erased.
TEST(Sequences, EraseEndsWellOnlyWhenTheEepromIsBlank) {
  struct Row {
    const char* name;
    std::vector<int> stuckEeprom;  // bytes the bulk erase cannot clear
    std::uint8_t byte0;
    const char* result;
    const char* title;
    const char* text;
  };
  for (const Row& row :
       {Row{"already blank", {}, 0xFF, "ok", "Fin", "El PIC ha sido borrado"},
        Row{"erased", {}, 0x41, "ok", "Fin", "El PIC ha sido borrado"},
        Row{"kept its byte",
            {0},
            0x41,
            "erase-error",
            "Error",
            "Data Memory, dirección 0x0000: no pudo ser borrada (se leyó 0x41)"}}) {
    sim::Faults faults;
    faults.stuckEeprom = row.stuckEeprom;
    Scope s(SimModel("16F84A"), faults);
    s.sim.Memory().eeprom[0] = row.byte0;
    EXPECT_EQ(EraseDevice(s.link, s.op), row.result) << row.name;
    EXPECT_EQ(s.op.LastTitle(), row.title) << row.name;
    EXPECT_EQ(s.op.LastText(), row.text) << row.name;
  }
}

}  // namespace
}  // namespace daxwel
