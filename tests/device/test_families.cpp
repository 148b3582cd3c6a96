// The 16F87XA, 16F62XA and 16F87/88/818/819, each driven by its own algorithm against its own
// simulated chip.
#include <deque>
#include <span>

#include "bench.h"
#include "device/catalogue.h"
#include "device/read_device.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

struct Part {
  SimModel model;
  int index;
  int programWords;
  int eepromBytes;
  int config;  // no protection, XT, LVP off, power-up timer on
  int protectedConfig;
  int implemented;  // configuration bits the part stores
};

constexpr int k87xa = 0x3F31;
constexpr int k62xa = 0x3F21;  // bit 4 (FOSC2) is 0 here: no protection
constexpr int k81x = 0x3F21;   // the same bits: XT, MCLR on
const Part kParts[] = {
    {SimModel("16F873A"), 9, 4096, 128, k87xa, k87xa & ~0x2000, 0x2FCF},
    {SimModel("16F874A"), 10, 4096, 128, k87xa, k87xa & ~0x2000, 0x2FCF},
    {SimModel("16F876A"), 11, 8192, 256, k87xa, k87xa & ~0x2000, 0x2FCF},
    {SimModel("16F877A"), 12, 8192, 256, k87xa, k87xa & ~0x2000, 0x2FCF},
    {SimModel("16F627A"), 13, 1024, 128, k62xa, k62xa & ~0x2000, 0x21FF},
    {SimModel("16F628A"), 14, 2048, 128, k62xa, k62xa & ~0x2000, 0x21FF},
    {SimModel("16F648A"), 15, 4096, 256, k62xa, k62xa & ~0x2000, 0x21FF},
    {SimModel("16F87"), 20, 4096, 256, k81x, k81x & ~0x2100, 0x3FFF},
    {SimModel("16F88"), 21, 4096, 256, k81x, k81x & ~0x2100, 0x3FFF},
    {SimModel("16F818"), 22, 1024, 128, k81x, k81x & ~0x2100, 0x3FFF},
    {SimModel("16F819"), 23, 2048, 256, k81x, k81x & ~0x2100, 0x3FFF},
};
// The parts that erase a 32-word row at a time.
const std::span<const Part> kRowErased = std::span(kParts).subspan(7);

// Words across a row boundary and the last row left partial, EEPROM, IDs.
HexBuilder Program(int config, int variant = 0, int lastId = 0x0004, int word7 = 0x3FFF) {
  HexBuilder h;
  h.Words(0, {0x2805, 0x0000, 0x1683, 0x0186, 0x1283, 0x0A86, 0x2806, word7, 0x0103 ^ variant,
              0x0064, 0x0008});
  h.Eeprom(0, {0x41, 0x42 ^ (variant << 1), 0x00});
  h.Ids({0x0001, 0x0002, 0x0003, lastId});
  h.Config(config);
  return h;
}

TEST(NewFamilies, DetectProgramVerifyReadAndEraseEveryPart) {
  for (const Part& p : kParts) {
    const std::string name(sim::SimModelName(p.model));
    SCOPED_TRACE(name);
    Bench b(p.model);
    b.op.model = 0;
    const std::string path = b.dir.Write("p.hex", Program(p.config).Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.op.model, p.index) << "detected";
    b.ExpectClean("program");
    EXPECT_EQ(b.sim.Memory().program[8], 0x0103);
    EXPECT_EQ(b.sim.Memory().eeprom[1], 0x42);
    EXPECT_EQ(b.sim.Memory().ids[3], 0x0004) << "the file's ID as it is";
    EXPECT_EQ(b.sim.Memory().config & p.implemented, p.config & p.implemented);

    b.sim.ResetStats();
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok");
    EXPECT_EQ(b.sim.Stats().programCycles, 0) << "nothing differs, so nothing is written";
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
    EXPECT_EQ(b.op.LastText(), "** PIC Verificado OK **");

    const ReadOutcome read = ReadDevice(b.link, b.op);
    ASSERT_EQ(read.result, "ok");
    ASSERT_EQ(read.contents.program.size(), static_cast<std::size_t>(p.programWords));
    EXPECT_EQ(read.contents.program[9], 0x0064);
    EXPECT_EQ(read.contents.eeprom.size(), static_cast<std::size_t>(p.eepromBytes));

    ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.op.LastText(), "El PIC ha sido borrado");
    for (std::uint16_t w : b.sim.Memory().program) ASSERT_EQ(w, 0x3FFF);
    for (std::uint8_t e : b.sim.Memory().eeprom) ASSERT_EQ(e, 0xFF);
    b.ExpectClean("erase");
  }
}

// A programmed word that must change, whether a bit is set or only cleared: the 16F62XA
// rewrites it after a bulk erase, since it documents no write over a programmed word; the
// 16F87XA erases and writes its block in place.
TEST(NewFamilies, RewritesThatSetBitsKeepEveryOtherWord) {
  for (SimModel m : {SimModel("16F877A"), SimModel("16F628A")}) {
    const std::string name(sim::SimModelName(m));
    SCOPED_TRACE(name);
    const int config = m == SimModel("16F877A") ? k87xa : k62xa;
    // 0x0103 -> 0x0113 and 0x42 -> 0x62 set a bit; 0x0102 and 0x40 only clear one.
    for (int variant : {0x0010, 0x0001}) {
      Bench b(m);
      ASSERT_EQ(ProgramDevice(b.dir.Write("a.hex", Program(config).Text()), b.link, b.op), "ok");
      b.sim.ResetStats();
      const std::string next = b.dir.Write("b.hex", Program(config, variant).Text());
      ASSERT_EQ(ProgramDevice(next, b.link, b.op), "ok") << b.op.LastText();
      b.ExpectClean();
      EXPECT_EQ(b.sim.Memory().program[8], 0x0103 ^ variant);
      EXPECT_EQ(VerifyDevice(next, b.link, b.op), "ok") << "neighbours and EEPROM intact";
      EXPECT_EQ(b.sim.Stats().bulkErases > 0, m == SimModel("16F628A"));
    }
  }
}

// A changed word of the 16F87/88/818/819 costs an erase of its row and no more: the words of
// the row past the file's end, the other rows and the EEPROM bytes keep their values; an
// EEPROM byte or ID that needs a bit set is erased first, a configuration word never. Many
// changed rows cost less with a bulk erase first.
TEST(NewFamilies, RowErasedPartsRewriteOnlyTheChangedRow) {
  for (const Part& p : kRowErased) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    Bench b(p.model);
    HexBuilder first = Program(p.config);
    first.Words(0x1F, {0x1234});
    first.Words(0x20, {0x2345});
    const bool twoWords = ModelByIndex(p.index)->family->configWords == 2;
    if (twoWords) first.Words(0x2008, {0x3FFC});
    ASSERT_EQ(ProgramDevice(b.dir.Write("a.hex", first.Text()), b.link, b.op), "ok");
    EXPECT_EQ(b.sim.Memory().high[0], twoWords ? 0x3FFC : 0x3FFF);
    b.sim.ResetStats();
    // 0x0103 -> 0x0113, 0x42 -> 0x62, the last ID 4 -> 8
    HexBuilder next = Program(p.config, 0x0010, 0x0008);
    if (twoWords) next.Words(0x2008, {0x3FFE});
    const std::string path = b.dir.Write("b.hex", next.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean();
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
    const sim::ChipMemory& m = b.sim.Memory();
    EXPECT_EQ(m.program[8], 0x0113);
    EXPECT_EQ(m.program[0x1F], 0x1234) << "the rest of the row is written back";
    EXPECT_EQ(m.program[0x20], 0x2345);
    EXPECT_EQ(m.eeprom[1], 0x62);
    EXPECT_EQ(m.ids[3], 0x0008);
    EXPECT_EQ(m.high[0], twoWords ? 0x3FFE : 0x3FFF);
    EXPECT_EQ(b.sim.Stats().bulkErases, 0);
    // The row's four groups that hold words, the EEPROM byte, the IDs, and the configuration
    // words, which follow the IDs' erase; Begin Erase of the row, the byte and the IDs.
    EXPECT_EQ(b.sim.Stats().programOnlyCycles, 4 + 1 + 1 + 1 + (twoWords ? 1 : 0));
    EXPECT_EQ(b.sim.Stats().programCycles - b.sim.Stats().programOnlyCycles, 3);

    // An erased word beside programmed ones takes its group without an erase.
    b.sim.ResetStats();
    next = Program(p.config, 0x0010, 0x0008, 0x0555);
    if (twoWords) next.Words(0x2008, {0x3FFE});
    ASSERT_EQ(ProgramDevice(b.dir.Write("c.hex", next.Text()), b.link, b.op), "ok");
    b.ExpectClean();
    EXPECT_EQ(b.sim.Memory().program[7], 0x0555);
    EXPECT_EQ(b.sim.Stats().programCycles, 1);

    // Many programmed words to change: program memory is bulk-erased first, and what the file
    // leaves out (0x20) is written back.
    HexBuilder many;
    many.Words(0, std::vector<int>(0x1F, 0x0ABC)).Config(p.config);
    const std::string manyPath = b.dir.Write("d.hex", many.Text());
    ASSERT_EQ(ProgramDevice(manyPath, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean();
    EXPECT_EQ(b.sim.Stats().bulkErases, 1);
    EXPECT_EQ(b.sim.Memory().program[0x20], 0x2345);
    EXPECT_EQ(VerifyDevice(manyPath, b.link, b.op), "ok");
  }
}

// CP alone on the 16F87XA and 16F62XA, CP and CPD on the 16F87/88/818/819.
TEST(NewFamilies, CodeProtectionIsBit13AndEraseClearsIt) {
  std::vector<Part> parts{kParts[3], kParts[5]};
  parts.insert(parts.end(), kRowErased.begin(), kRowErased.end());
  for (const Part& p : parts) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    Bench b(p.model);
    b.op.model = p.index;
    const std::string plain = b.dir.Write("p.hex", Program(p.config).Text());
    const std::string locked = b.dir.Write("cp.hex", Program(p.protectedConfig).Text());
    ASSERT_EQ(ProgramDevice(locked, b.link, b.op), "ok");
    EXPECT_EQ(VerifyDevice(locked, b.link, b.op), "cp-error");
    EXPECT_EQ(b.op.LastTitle(), "Code Protect activado !!!");
    EXPECT_EQ(ProgramDevice(plain, b.link, b.op), "cp-error");
    ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.sim.Memory().eeprom[0], 0xFF);
    EXPECT_EQ(ProgramDevice(plain, b.link, b.op), "ok");
    EXPECT_EQ(VerifyDevice(plain, b.link, b.op), "ok");
    b.ExpectClean();
  }
}

TEST(NewFamilies, RefusalsLeaveTheChipUntouched) {
  struct Case {
    const char* what;
    SimModel attached;
    int chosen;
    std::vector<int> words;  // program words from address 0
    int config;
    std::deque<bool> answers;
    std::string result;
    std::string textHas;
  };
  const std::vector<int> k8k(8192, 0x0000);
  const std::vector<int> k2k(2048, 0x0000);
  const Case cases[] = {
      {"8K image on a 16F874A",
       SimModel("16F874A"),
       10,
       k8k,
       k87xa,
       {},
       "size-error",
       "excede el tamaño"},
      {"2K image on a 16F627A",
       SimModel("16F627A"),
       13,
       k2k,
       k62xa,
       {},
       "size-error",
       "excede el tamaño"},
      {"16F877A chosen, 16F628A attached",
       SimModel("16F628A"),
       12,
       {1},
       k87xa,
       {},
       "",
       "es un PIC 16F628A"},
      {"MCLRE = 0 declined", SimModel("16F628A"), 14, {1}, k62xa & ~0x0020, {true, false}, "", "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b(c.attached);
    b.op.model = c.chosen;
    b.op.answers = c.answers;
    HexBuilder h;
    h.Words(0, c.words);
    h.Config(c.config);
    EXPECT_EQ(ProgramDevice(b.dir.Write("x.hex", h.Text()), b.link, b.op), c.result);
    if (c.textHas == "-") {
      EXPECT_TRUE(b.op.messages.empty()) << "a declined question ends the run quietly";
    } else {
      EXPECT_NE(b.op.LastText().find(c.textHas), std::string::npos) << b.op.LastText();
    }
    EXPECT_EQ(b.sim.Stats().programCycles, 0);
    b.ExpectClean();
  }
}

// A 62XA or 16F819 set for the internal oscillator with MCLR off may never enter programming
// mode again on an adapter that keeps VDD on: the user is asked first, and told why afterwards.
TEST(NewFamilies, MclrOffIsConfirmedAndExplainedWhenThePartNoLongerAnswers) {
  const struct {
    SimModel model;
    int index;
    const char* why;
  } cases[] = {{SimModel("16F628A"), 14, "VPP antes que VDD"},
               {SimModel("16F819"), 23, "conmute VDD"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Bench b(c.model);
    b.op.model = c.index;
    const int intoscMclrOff = (k62xa & ~0x0020 & ~0x0013) | 0x0010;  // FOSC 100, MCLRE 0
    const std::string path = b.dir.Write("m.hex", Program(intoscMclrOff).Text());
    // Written last and read back before programming mode is left: a success, with the
    // reason this adapter will not reach the part again.
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_NE(b.op.LastText().find("ya no podrá hacer entrar al PIC"), std::string::npos)
        << b.op.LastText();
    ASSERT_EQ(b.op.confirmations.size(), 2u);
    EXPECT_NE(b.op.confirmations[1].text.find("MCLRE = 0"), std::string::npos);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "");
    EXPECT_NE(b.op.LastText().find(c.why), std::string::npos) << b.op.LastText();
    b.ExpectClean();
  }
}

TEST(NewFamilies, EraseThatLeavesTheConfigurationWordIsAnError) {
  sim::Faults f;
  f.keepConfig = true;
  Bench b(SimModel("16F628A"), f);
  b.op.model = 14;
  b.sim.Memory().config = static_cast<std::uint16_t>(k62xa);
  EXPECT_EQ(EraseDevice(b.link, b.op), "erase-error");
  EXPECT_NE(b.op.LastText().find("configuración"), std::string::npos);
  b.ExpectClean();
}

}  // namespace
}  // namespace daxwel
