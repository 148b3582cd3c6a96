// Every adapter preset drives the parts of each entry order through the whole set of
// operations on the simulator, which is built from the same wiring and judges every cycle.
#include <algorithm>

#include "bench.h"
#include "device/read_device.h"
#include "link/adapters.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::HexBuilder;
using testing::IndexOf;

struct Rig {
  Rig(SimModel model, const Wiring& wiring)
      : sim(model, pacer, 0x378, {}, wiring), link(sim, pacer, 0x378, wiring) {
    op.model = IndexOf(model);
  }
  std::string Problems(const char* where) {
    std::string all;
    for (const auto& v : sim.Violations()) all += v + "\n";
    if (!sim.LinesOff()) all += "lines not off\n";
    if (all.empty()) return {};
    return std::string(where) + ":\n" + all;
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  Link link;
  testing::ScriptedOperator op;
  testing::TempDir dir;
};

std::string SmallFile(int config) {
  HexBuilder h;
  h.Words(0, {0x2805, 0x0000, 0x1683, 0x3FFF, 0x0A86});
  h.Eeprom(0, {0x41, 0x00, 0x7E});
  h.Ids({0x0005});
  h.Config(config);
  return h.Text();
}

TEST(AdapterPresets, EachPresetProgramsVerifiesReadsAndErasesBothEntryOrders) {
  struct Part {
    SimModel model;
    int config;
  } parts[] = {
      {SimModel("16F877A"), 0x3F39}, {SimModel("16F628A"), 0x3F61}, {SimModel("16F88"), 0x3F61}};
  for (const AdapterPreset& preset : AdapterPresets()) {
    for (const Part& part : parts) {
      SCOPED_TRACE(std::string(preset.name) + " " + std::string(sim::SimModelName(part.model)));
      Rig r(part.model, preset.wiring);
      const std::string path = r.dir.Write("p.hex", SmallFile(part.config));
      ASSERT_TRUE(AdapterPresent(r.link));
      EXPECT_EQ(ProgramDevice(path, r.link, r.op), "ok") << r.op.LastText();
      EXPECT_EQ(r.Problems("program"), "");
      EXPECT_EQ(r.sim.Memory().program[2], 0x1683);
      EXPECT_EQ(VerifyDevice(path, r.link, r.op), "ok") << r.op.LastText();
      EXPECT_EQ(r.Problems("verify"), "");
      const ReadOutcome read = ReadDevice(r.link, r.op);
      EXPECT_EQ(read.result, "ok");
      ASSERT_GE(read.contents.program.size(), 5u);
      EXPECT_EQ(read.contents.program[4], 0x0A86);
      EXPECT_EQ(read.contents.eeprom[2], 0x7E);
      EXPECT_EQ(r.Problems("read"), "");
      EXPECT_EQ(EraseDevice(r.link, r.op), "ok") << r.op.LastText();
      EXPECT_EQ(r.Problems("erase"), "");
      EXPECT_EQ(r.sim.Memory().program[0], 0x3FFF);
      EXPECT_FALSE(r.sim.Powered() && preset.wiring.SwitchesVdd()) << "VDD off at idle";
    }
  }
}

// A 16F628A running on its internal oscillator with MCLR off only enters programming mode
// when VPP is up before its supply, a 16F88 when VPP follows its supply within 250 us: an
// adapter that switches VDD programs both, today's adapter is refused with today's warning.
TEST(AdapterPresets, InternalOscillatorAndMclrOffNeedsVppFirst) {
  struct Case {
    const char* adapter;
    SimModel model;
    bool programs;
  } cases[] = {{"tait-7407", SimModel("16F628A"), true}, {"schaer", SimModel("16F628A"), true},
               {"daxwel", SimModel("16F628A"), false},   {"tait-7407", SimModel("16F88"), true},
               {"schaer", SimModel("16F88"), true},      {"daxwel", SimModel("16F88"), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.adapter) + " " + std::string(sim::SimModelName(c.model)));
    Rig r(c.model, FindAdapterPreset(c.adapter)->wiring);
    r.sim.Memory().config = 0x3F58;  // intio, MCLRE = 0, LVP off
    const std::string path = r.dir.Write("p.hex", SmallFile(0x3F58));
    const std::string result = ProgramDevice(path, r.link, r.op);
    // Only an adapter that keeps VDD on asks before such a word is written.
    const bool asked =
        std::any_of(r.op.confirmations.begin(), r.op.confirmations.end(),
                    [](const auto& q) { return q.text.find("MCLRE = 0") != std::string::npos; });
    EXPECT_EQ(asked, !c.programs);
    if (c.programs) {
      EXPECT_EQ(result, "ok") << r.op.LastText();
      EXPECT_EQ(r.sim.Memory().program[0], 0x2805);
      EXPECT_EQ(VerifyDevice(path, r.link, r.op), "ok");
      // Detection finds it too, retrying VPP first.
      r.op.model = 0;
      EXPECT_EQ(DetectModel(r.link, r.op), IndexOf(c.model));
    } else {
      EXPECT_NE(result, "ok");
      EXPECT_NE(r.op.LastText().find("MCLR"), std::string::npos) << r.op.LastText();
      EXPECT_EQ(r.sim.Memory().program[0], 0x3FFF);
    }
    EXPECT_EQ(r.Problems("end"), "");
  }
}

}  // namespace
}  // namespace daxwel
