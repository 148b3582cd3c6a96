// The window's adapter choice and "Probar adaptador", on the simulated adapter.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "link/adapters.h"
#include "ui/adapter_dialog.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

// The window takes a preset: the port is opened again at the preset's "off" levels, the
// presence test is the preset's own (a loopback the simulated adapter, rebuilt from the same
// row as the program's own hook does, answers), and the lines end at those levels.
TEST(AdapterChoice, WindowTakesAPresetAndDrivesItsLines) {
  SimRig rig(sim::SimModel("16F628A"));
  const AdapterPreset& preset = *FindAdapterPreset("tait-7406-4066");
  rig.sim.SetWiring(preset.wiring);
  rig.window->SetAdapter({std::string(preset.name), preset.wiring, {}});
  EXPECT_EQ(rig.window->Adapter().name, "tait-7406-4066");
  EXPECT_EQ(rig.sim.DataRegister(), preset.wiring.Off().data);
  rig.window->PresencePoll();
  EXPECT_EQ(rig.window->HardStatus(), "ok");
  rig.Click("cmdRun");  // RUN mode, answered at once: VDD alone, then every line off
  EXPECT_TRUE(rig.sim.LinesOff());
  EXPECT_TRUE(rig.sim.Violations().empty());
}

TEST(AdapterChoice, DialogShowsThePresetAndItsDelay) {
  App();
  AdapterChoice start = DefaultAdapter();
  int tests = 0;
  DlgAdapter dialog(start, [&](const AdapterChoice&) { ++tests; });
  auto& list = Find<QComboBox>(dialog, "cmbAdapter");
  EXPECT_EQ(list.count(), static_cast<int>(AdapterPresets().size()) + 1);
  const int schaer = list.findText("schaer", Qt::MatchStartsWith);
  ASSERT_GE(schaer, 0);
  list.setCurrentIndex(schaer);
  emit list.activated(schaer);
  EXPECT_EQ(dialog.Choice().name, "schaer");
  EXPECT_TRUE(Find<QLabel>(dialog, "lblPins").text().contains("datai=11"));
  Find<QSpinBox>(dialog, "spnDelay").setValue(25);
  EXPECT_EQ(dialog.Choice().extraHalfPeriod.count(), 25);
  Find<QAbstractButton>(dialog, "cmdProbar").click();
  EXPECT_EQ(tests, 1);
}

// One check box per output line; with no chip driving it, the data input follows data out.
TEST(AdapterChoice, LineTestBoxesDriveTheLinesAndShowTheDataInput) {
  App();
  VirtualPacer pacer;
  for (const char* name : {"tait-7407", "el-cheapo", "schaer"}) {
    SCOPED_TRACE(name);
    const Wiring& wiring = FindAdapterPreset(name)->wiring;
    sim::SimAdapter sim(sim::SimModel("16F877A"), pacer, 0x378, {}, wiring);
    Link link(sim, pacer, 0x378, wiring);
    {
      DlgLineTest dialog(link);
      auto& data = Find<QCheckBox>(dialog, "chk_datao");
      EXPECT_TRUE(Find<QLabel>(dialog, "lblDataIn").text().endsWith(": 0"));
      data.setChecked(true);
      EXPECT_TRUE(Find<QLabel>(dialog, "lblDataIn").text().endsWith(": 1"));
      EXPECT_TRUE(Find<QLabel>(dialog, "lblExpect").text().startsWith("datao encendida"));
      Find<QCheckBox>(dialog, "chk_vpp").setChecked(true);
      EXPECT_TRUE(wiring.Asserted(Line::kVpp, {sim.DataRegister(), sim.ControlRegister()}));
    }
    EXPECT_TRUE(sim.LinesOff()) << "every line off when the test closes";
  }
}

}  // namespace
}  // namespace daxwel::testing
