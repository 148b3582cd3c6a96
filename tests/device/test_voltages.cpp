// Voltages as data on both sides: the VPP question names the adapter's figure and the part's,
// a part with a shunt regulator is refused on a fixed 5 V VDD before any line moves, and two
// parts that show one device ID are both named when detected.
#include "bench.h"
#include "device/algorithm.h"
#include "device/read_device.h"

namespace daxwel {
namespace {

using testing::Bench;
using testing::IndexOf;

Wiring Supplied(std::optional<int> vppVolts, bool vddLimited) {
  Wiring wiring = DefaultWiring();
  wiring.vppVolts = vppVolts;
  wiring.vddLimited = vddLimited;
  return wiring;
}

void UseWiring(Bench& b, const Wiring& wiring) {
  b.link.SetWiring(wiring);
  b.sim.SetWiring(wiring);
}

// The confirmations that speak of VPP.
std::vector<std::string> VppQuestions(const testing::ScriptedOperator& op) {
  std::vector<std::string> texts;
  for (const auto& c : op.confirmations) {
    if (c.text.find("en MCLR (VPP)") != std::string::npos) texts.push_back(c.text);
  }
  return texts;
}

TEST(Voltages, VppQuestionNamesTheAdaptersFigureAndThePartsLimit) {
  struct Case {
    const char* part;
    std::optional<int> adapterVolts;  // nothing: the adapter does not say (13 V)
    const char* question;             // "" when nothing is asked
  };
  const Case cases[] = {
      {"16F785", std::nullopt, "admite como máximo 12 V en MCLR (VPP) y el adaptador aplica 13 V"},
      {"16HV785", 13, "admite como máximo 12 V en MCLR (VPP) y el adaptador aplica 13 V"},
      {"16F946", 14, "admite como máximo 12 V en MCLR (VPP) y el adaptador aplica 14 V"},
      {"16F887", std::nullopt, "admite como máximo 12 V en MCLR (VPP) y el adaptador aplica 13 V"},
      {"16F785", 12, ""},
      {"16F946", 11, ""},
      {"16F636", std::nullopt, ""},  // 10 to 13 V
      {"12F635", 13, ""},
      {"16F639", 9, "necesita al menos 10 V en MCLR (VPP) y el adaptador aplica 9 V"},
      {"16F877A", 14, ""},  // the table gives it no limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.part) + " at " + std::to_string(c.adapterVolts.value_or(0)));
    Bench b{sim::SimModel(c.part)};
    UseWiring(b, Supplied(c.adapterVolts, true));
    EXPECT_EQ(ReadDevice(b.link, b.op).result, "ok") << b.op.LastText();
    const std::vector<std::string> asked = VppQuestions(b.op);
    if (*c.question == '\0') {
      EXPECT_TRUE(asked.empty()) << asked.front();
      EXPECT_TRUE(b.sim.Violations().empty()) << b.sim.Violations().front();
      continue;
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(std::string("El PIC ") + c.part + " "), std::string::npos) << asked[0];
    EXPECT_NE(asked[0].find(c.question), std::string::npos) << asked[0];
    // A VPP the adapter declares is the one the simulated chip sees: out of range it flags.
    EXPECT_EQ(b.sim.Violations().empty(), !c.adapterVolts) << c.part;
  }
}

TEST(Voltages, RefusingTheVppQuestionTouchesNothingMore) {
  Bench b{sim::SimModel("16F946")};
  b.op.answers = {false};
  EXPECT_NE(ReadDevice(b.link, b.op).result, "ok");
  EXPECT_EQ(VppQuestions(b.op).size(), 1u);
  EXPECT_EQ(b.sim.Stats().programModeEntries, 0);
}

TEST(Voltages, ShuntRegulatorPartNeedsADeclaredLimitedVdd) {
  struct Case {
    const char* part;
    bool vddLimited;
    bool refused;
  };
  const Case cases[] = {
      {"16HV785", false, true},
      {"16HV785", true, false},
      {"16F785", false, false},  // the same silicon without the regulator takes 5 V
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.part) + (c.vddLimited ? " limited" : " fixed"));
    for (int operation = 0; operation < 2; ++operation) {
      Bench b{sim::SimModel(c.part)};
      UseWiring(b, Supplied(12, c.vddLimited));
      const long long before = b.tap.writes;
      const std::string result =
          operation == 0 ? ReadDevice(b.link, b.op).result : EraseDevice(b.link, b.op);
      if (!c.refused) {
        EXPECT_EQ(result, "ok") << b.op.LastText();
        b.ExpectClean();
        continue;
      }
      EXPECT_EQ(result, "");
      EXPECT_EQ(b.tap.writes, before) << "a line moved";
      EXPECT_EQ(b.op.LastTitle(), "Error");
      for (const char* words :
           {"16HV785", "4,7 V", "resistencia en serie", "fuente limitada", "vdd-limitada=sí"}) {
        EXPECT_NE(b.op.LastText().find(words), std::string::npos) << words;
      }
    }
  }
}

// The simulated chip judges the supply from its own sheet facts, whatever our side does.
TEST(Voltages, SimulatedChipFlagsSupplyOutsideItsSheet) {
  struct Case {
    const char* part;
    std::optional<int> vppVolts;
    bool vddLimited;
    const char* violation;  // "" when none
  };
  const Case cases[] = {
      {"16HV785", 12, false, "shunt regulator takes at most 4900 mV"}, {"16HV785", 12, true, ""},
      {"16F946", 9, true, "below the 10 V the 16F946 needs"},          {"16F636", 13, false, ""},
      {"16F785", 13, false, "above the 12 V the 16F785 takes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    Bench b{sim::SimModel(c.part)};
    UseWiring(b, Supplied(c.vppVolts, c.vddLimited));
    std::uint8_t latch = ResetLines(b.link);
    EnterProgramMode(b.link, latch);
    LinesOff(b.link);
    std::string all;
    for (const std::string& v : b.sim.Violations()) all += v + "\n";
    if (*c.violation == '\0') {
      EXPECT_EQ(all, "");
    } else {
      EXPECT_NE(all.find(c.violation), std::string::npos) << all;
    }
  }
}

TEST(SharedId, DetectionNamesBothPartsAndTheChosenModelDecides) {
  const int first = IndexOf(sim::SimModel("16F636"));
  const int second = IndexOf(sim::SimModel("16F639"));
  ASSERT_NE(first, second);
  for (const char* part : {"16F636", "16F639", "16F785"}) {
    SCOPED_TRACE(part);
    Bench b{sim::SimModel(part)};
    b.op.model = 0;
    const int detected = DetectModel(b.link, b.op);
    if (std::string(part) == "16F785") {
      EXPECT_EQ(detected, IndexOf(sim::SimModel(part)));
      EXPECT_TRUE(b.op.warnings.empty());
      continue;
    }
    EXPECT_EQ(detected, first);
    ASSERT_EQ(b.op.warnings.size(), 1u);
    EXPECT_NE(b.op.warnings[0].find("0x10A0 es el de los PIC 16F636 y 16F639"), std::string::npos)
        << b.op.warnings[0];
    EXPECT_NE(b.op.warnings[0].find("elíjalo en la lista"), std::string::npos);
    // Chosen by hand, either name works the part and no note is given.
    for (int chosen : {first, second}) {
      b.op.model = chosen;
      b.op.warnings.clear();
      const ReadOutcome read = ReadDevice(b.link, b.op);
      EXPECT_EQ(read.result, "ok") << b.op.LastText();
      EXPECT_EQ(read.modelIndex, chosen);
      EXPECT_TRUE(b.op.warnings.empty());
    }
    b.ExpectClean();
  }
}

}  // namespace
}  // namespace daxwel
