// The operations' steps say how they ended one way: a step that fails or ends the run must stop
// the operation there, with its own message and result word, and nothing after it may run.
#include <algorithm>
#include <functional>

#include "bench.h"
#include "device/outcome.h"

namespace daxwel {
namespace {

using detail::Outcome;
using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

TEST(Outcome, EachKindEndsTheRunItsOwnWay) {
  struct Row {
    const char* name;
    Outcome outcome;
    bool ok, failed, cancelled;
    std::string word;     // what End answers with the failure word "verify-error"
    std::string message;  // the message End shows; "" for none
  };
  const std::vector<Row> rows = {
      {"ok", Outcome::Ok(), true, false, false, "", ""},
      {"failed", Outcome::Failed("Dirección 0x0002"), false, true, false, "verify-error",
       "Dirección 0x0002"},
      {"ended", Outcome::Ended("cp-error"), false, false, false, "cp-error", ""},
      {"cancelled", Outcome::Cancelled(), false, false, true, "", ""},
  };
  for (const Row& row : rows) {
    Bench b(SimModel("16F877"));
    detail::Session s(b.link, b.op);
    EXPECT_EQ(row.outcome.IsOk(), row.ok) << row.name;
    EXPECT_EQ(row.outcome.IsFailed(), row.failed) << row.name;
    EXPECT_EQ(row.outcome.IsCancelled(), row.cancelled) << row.name;
    if (row.ok) continue;
    EXPECT_EQ(row.outcome.End(s, "verify-error"), row.word) << row.name;
    if (row.message.empty()) {
      EXPECT_TRUE(b.op.messages.empty()) << row.name << ": the step showed its own already";
    } else {
      ASSERT_EQ(b.op.messages.size(), 1u) << row.name;
      EXPECT_EQ(b.op.LastTitle(), "Error") << row.name;
      EXPECT_EQ(b.op.LastText(), row.message) << row.name;
    }
  }
}

sim::Faults Faults(const std::function<void(sim::Faults&)>& set) {
  sim::Faults faults;
  set(faults);
  return faults;
}

bool SawStarting(const testing::ScriptedOperator& op, std::string_view prefix) {
  return std::any_of(op.progress.begin(), op.progress.end(),
                     [&](const std::string& p) { return p.rfind(prefix, 0) == 0; });
}

// Every failing step of program, verify and erase, each made to fail by the simulated chip.
TEST(Outcome, AFailingStepStopsTheOperation) {
  HexBuilder file;
  file.Words(0, {0x0001, 0x0002, 0x0003, 0x0004}).Eeprom(0, {0x10, 0x20}).Config(0x3F31);
  struct Row {
    const char* name;
    sim::Faults faults;
    std::function<void(sim::ChipMemory&)> before;
    std::function<std::string(const std::string& path, Bench&)> run;
    std::string word, message;
    const char* neverShown;  // a later step's progress, which must not start
  };
  const auto program = [](const std::string& path, Bench& b) {
    return ProgramDevice(path, b.link, b.op);
  };
  const auto verify = [](const std::string& path, Bench& b) {
    return VerifyDevice(path, b.link, b.op);
  };
  const auto erase = [](const std::string&, Bench& b) { return EraseDevice(b.link, b.op); };
  const auto nothing = [](sim::ChipMemory&) {};
  const std::vector<Row> rows = {
      {"program memory", Faults([](sim::Faults& f) { f.stuckProgram = {2}; }), nothing, program,
       "verify-error", "Error al programar Program Memory\rDirección 0x0002",
       "Programando Data Memory"},
      {"data memory", Faults([](sim::Faults& f) { f.stuckEeprom = {1}; }), nothing, program,
       "verify-error", "Error al programar Data Memory\rDirección 0x0001",
       "Programando Configuration Word"},
      {"configuration", Faults([](sim::Faults& f) { f.configFail = true; }), nothing, program,
       "verify-error",
       "Error al programar Configuration Word\rDirección 0x2007: se leyó 0x3FFF, se esperaba "
       "0x3F31",
       "Fin"},
      {"verify program",
       {},
       nothing,
       verify,
       "verify-error",
       "Error al verificar Program Memory\rDirección 0x0000",
       "Verificando Data Memory"},
      {"verify data",
       {},
       [](sim::ChipMemory& m) {
         for (int a = 0; a < 4; ++a) m.program[static_cast<std::size_t>(a)] = a + 1;
       },
       verify,
       "verify-error",
       "Error al verificar Data Memory\rDirección 0x0000",
       "Fin"},
      {"erase program", Faults([](sim::Faults& f) { f.stuckProgram = {5}; }),
       [](sim::ChipMemory& m) { m.program[5] = 0; }, erase, "erase-error",
       "Dirección 0x0005 no pudo ser borrada", "Fin"},
      {"erase data", Faults([](sim::Faults& f) { f.stuckEeprom = {1}; }),
       [](sim::ChipMemory& m) { m.eeprom[1] = 0; }, erase, "erase-error",
       "Data Memory, dirección 0x0001: no pudo ser borrada (se leyó 0x00)", "Fin"},
  };
  for (const Row& row : rows) {
    Bench b(SimModel("16F877"), row.faults);
    row.before(b.sim.Memory());
    const std::string path = b.dir.Write("f.hex", file.Text());
    EXPECT_EQ(row.run(path, b), row.word) << row.name;
    ASSERT_EQ(b.op.messages.size(), 1u) << row.name;
    EXPECT_EQ(b.op.LastTitle(), "Error") << row.name;
    EXPECT_EQ(b.op.LastText(), row.message) << row.name;
    EXPECT_FALSE(SawStarting(b.op, row.neverShown)) << row.name << ": went on past the failure";
    b.ExpectClean(row.name);
  }
}

// Steps that end the run themselves (the user declines, a protected chip) leave nothing more to
// say: their own message alone, and no write.
TEST(Outcome, AStepThatEndsTheRunIsTheLastOne) {
  HexBuilder file;
  file.Words(0, {0x0001}).Config(0x3F31);
  {
    Bench b(SimModel("16F877"));
    b.op.answers = {false};
    const std::string path = b.dir.Write("f.hex", file.Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
    EXPECT_TRUE(b.op.messages.empty());
    EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
    b.ExpectClean("declined");
  }
  {
    Bench b(SimModel("16F877"));
    b.sim.Memory().config = 0x0000;  // every protection bit on
    const std::string path = b.dir.Write("f.hex", file.Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "cp-error");
    ASSERT_EQ(b.op.messages.size(), 1u);
    EXPECT_EQ(b.op.LastTitle(), "Code Protect activado !!!");
    EXPECT_FALSE(SawStarting(b.op, "Leyendo la memoria de programa"));
    EXPECT_FALSE(SawStarting(b.op, "Programando"));
    b.ExpectClean("protected");
  }
}

}  // namespace
}  // namespace daxwel
