// Reading a chip back, on the simulated chip.
#include "device/read_device.h"

#include <gtest/gtest.h>

#include "link/clock.h"
#include "sim/sim_adapter.h"
#include "support/scripted_operator.h"

namespace daxwel {
namespace {

using sim::SimModel;

sim::Faults With(void (*set)(sim::Faults&)) {
  sim::Faults f;
  set(f);
  return f;
}

struct ReadBench {
  explicit ReadBench(SimModel model, sim::Faults faults = {})
      : sim(model, pacer, 0x378, std::move(faults)), link(sim, pacer, 0x378) {}

  void ExpectClean(const std::string& where) const {
    std::string all;
    for (const auto& v : sim.Violations()) all += v + "\n";
    EXPECT_TRUE(sim.Violations().empty()) << where << "\n" << all;
    EXPECT_EQ(sim.DataRegister(), 0) << where;
    EXPECT_FALSE(op.progressVisible) << where;
  }

  VirtualPacer pacer;
  sim::SimAdapter sim;
  Link link;
  testing::ScriptedOperator op;
};

TEST(ReadDevice, ReadsEveryMemoryOfTheChip) {
  for (const SimModel model : {SimModel("16F877"), SimModel("16F84A"), SimModel("16F873")}) {
    // Upper six bits of data reads as 1: only the low eight are the byte.
    ReadBench b(model, With([](sim::Faults& f) { f.eeUpper = 1; }));
    sim::ChipMemory& m = b.sim.Memory();
    for (std::size_t a = 0; a < m.program.size(); ++a) {
      m.program[a] = static_cast<std::uint16_t>((a * 7919 + 3) & 0x3FFF);
    }
    for (std::size_t i = 0; i < m.eeprom.size(); ++i) {
      m.eeprom[i] = static_cast<std::uint8_t>(255 - i);
    }
    m.ids = {0x3F81, 0x0002, 0x1234, 0x3FFF};
    m.config = model == SimModel("16F84A") ? 0x3FF1 : 0x3F31;

    const ReadOutcome r = ReadDevice(b.link, b.op);
    const std::string where(sim::SimModelName(model));
    EXPECT_EQ(r.result, "ok") << where;
    b.ExpectClean(where);
    EXPECT_EQ(r.contents.program, m.program) << where;
    EXPECT_EQ(r.contents.eeprom, m.eeprom) << where;
    EXPECT_EQ(r.contents.ids, m.ids) << where;
    EXPECT_EQ(r.contents.Config(), m.config) << where;
    EXPECT_EQ(r.deviceId, b.sim.DeviceId()) << where;
    EXPECT_EQ(r.modelIndex, b.op.model) << "detected and kept";
    EXPECT_TRUE(b.op.messages.empty()) << where << ": " << b.op.LastText();
    EXPECT_TRUE(b.op.Saw("Leyendo la memoria de programa:  0x0000"));
    EXPECT_TRUE(
        b.op.Saw("Leyendo la EEPROM:  0x" + std::string(model == SimModel("16F877")   ? "00FF"
                                                          : model == SimModel("16F873") ? "007F"
                                                                                        : "003F")));
    EXPECT_EQ(b.op.progress.back(), "Leyendo la configuración...");
  }
}

TEST(ReadDevice, RefusesAnyCodeProtectionButConfigurationMemoryStaysReadable) {
  // Whole, top and half program protection, the upper pair copy alone, and the data EEPROM.
  for (const std::uint16_t config : {0x0F01, 0x3F21, 0x3F11, 0x2F31, 0x3E31}) {
    ReadBench b(SimModel("16F877"));
    b.sim.Memory().config = config;
    b.sim.Memory().ids = {1, 2, 3, 4};
    const ReadOutcome r = ReadDevice(b.link, b.op);
    EXPECT_EQ(r.result, "cp-error") << std::hex << config;
    EXPECT_EQ(b.op.LastTitle(), "Code Protect activado !!!");
    EXPECT_EQ(b.op.LastText(),
              "              Code Protect (CP) activado !!!!\r"
              "      Imposible continuar con la lectura");
    EXPECT_TRUE(r.contents.program.empty());
    EXPECT_TRUE(b.op.progress.empty()) << "nothing read before the refusal";
    b.ExpectClean("cp");

    const ReadOutcome info = ReadDevice(b.link, b.op, ReadScope::ConfigurationOnly);
    EXPECT_EQ(info.result, "ok");
    EXPECT_EQ(info.contents.Config(), config);
    EXPECT_EQ(info.contents.ids, (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
    b.ExpectClean("info");
  }
}

TEST(ReadDevice, StopsWithTheLinesOffWhenAbandonedOrFailing) {
  {
    ReadBench b(SimModel("16F877"));
    b.op.abandonAfterProgress = 100;
    const ReadOutcome r = ReadDevice(b.link, b.op);
    EXPECT_EQ(r.result, "abandoned");
    EXPECT_TRUE(r.contents.program.empty());
    EXPECT_TRUE(b.op.messages.empty());
    b.ExpectClean("abandoned");
  }
  {
    // No target: nothing detected, the detection's own message.
    ReadBench b(SimModel("16F877"), With([](sim::Faults& f) { f.noTarget = 1; }));
    const ReadOutcome r = ReadDevice(b.link, b.op);
    EXPECT_EQ(r.result, "");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    b.ExpectClean("no target");
  }
  {
    // The adapter vanishes half-way: the catch-all word, under "Error".
    ReadBench b(SimModel("16F877"), With([](sim::Faults& f) { f.unplugAfter = 20000; }));
    const ReadOutcome r = ReadDevice(b.link, b.op);
    EXPECT_EQ(r.result, "read_error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_FALSE(b.op.LastText().empty());
    EXPECT_EQ(b.sim.DataRegister(), 0);
  }
  {
    // The 16F84 has no device ID: it is read by name.
    ReadBench b(SimModel("16F84"));
    b.op.model = 1;
    const ReadOutcome r = ReadDevice(b.link, b.op);
    EXPECT_EQ(r.result, "ok");
    EXPECT_EQ(r.contents.program.size(), 1024u);
    EXPECT_EQ(r.contents.eeprom.size(), 64u);
    b.ExpectClean("16F84");
  }
}

}  // namespace
}  // namespace daxwel
