#include "bench.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::IndexOf;

constexpr const char* kNotDetected =
    "   No fue posible detectar el PIC\r\rDeberá seleccionarlo manualmente";

TEST(Detection, EveryModelWithAnIdIsFound) {
  for (SimModel m :
       {SimModel("16F84A"), SimModel("16F870"), SimModel("16F871"), SimModel("16F872"),
        SimModel("16F873"), SimModel("16F874"), SimModel("16F876"), SimModel("16F877")}) {
    Bench b(m);
    b.op.model = 0;
    EXPECT_EQ(DetectModel(b.link, b.op), IndexOf(m)) << sim::SimModelName(m);
    EXPECT_EQ(b.op.model, IndexOf(m));
    EXPECT_TRUE(b.op.messages.empty());
    b.ExpectClean(std::string(sim::SimModelName(m)).c_str());
  }
}

TEST(Detection, RevisionBitsAreIgnored) {
  for (int id : {0x09A0, 0x09BF, 0x09A5}) {
    sim::Faults f;
    f.deviceId = id;
    Bench b(SimModel("16F877"), f);
    EXPECT_EQ(DetectModel(b.link, b.op), 8) << std::hex << id;
  }
}

TEST(Detection, UnknownIdsAndMissingTargetsAreReported) {
  struct Case {
    const char* what;
    SimModel model;
    sim::Faults faults;
    // Zeros, as a part that runs its own code reads: the likely cause is said after it.
    bool hint = false;
  };
  sim::Faults zero, ones, stuck0, stuck1;
  zero.deviceId = 0x0000;
  ones.deviceId = 0x3FFF;
  stuck0.noTarget = 0;
  stuck1.noTarget = 1;
  for (const Case& c :
       {Case{"id 0000", SimModel("16F877"), zero, true}, Case{"id 3FFF", SimModel("16F877"), ones},
        Case{"16F84 without id", SimModel("16F84"), {}, true},
        Case{"no target, data 0", SimModel("16F877"), stuck0, true},
        Case{"no target, data 1", SimModel("16F877"), stuck1}}) {
    Bench b(c.model, c.faults);
    b.op.model = 0;
    EXPECT_EQ(DetectModel(b.link, b.op), 0) << c.what;
    ASSERT_EQ(b.op.messages.size(), 1u) << c.what;
    EXPECT_EQ(b.op.messages[0].title, "Error");
    EXPECT_EQ(b.op.messages[0].text.substr(0, std::string(kNotDetected).size()), kNotDetected);
    EXPECT_EQ(b.op.messages[0].text.find("\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0)") !=
                  std::string::npos,
              c.hint)
        << b.op.messages[0].text;
    EXPECT_EQ(b.op.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(b.op.model, 0) << "the list stays on Autodetectar";
    EXPECT_EQ(b.sim.DataRegister(), 0) << c.what;
    if (!c.faults.noTarget) b.ExpectClean(c.what);
  }
}

TEST(Detection, OperationsDetectOnlyWhenAskedAndThenKeepTheModel) {
  Bench b(SimModel("16F873"));
  b.op.model = 0;
  b.op.answers = {false, false};
  EXPECT_EQ(EraseDevice(b.link, b.op), "");  // detects, then the user cancels
  EXPECT_EQ(b.op.model, 5);
  EXPECT_EQ(b.op.modelChanges, std::vector<int>{5});
  EXPECT_EQ(EraseDevice(b.link, b.op), "");
  EXPECT_EQ(b.op.modelChanges.size(), 1u) << "the second run does not detect again";
  b.ExpectClean();
}

TEST(Detection, NothingDetectedEndsTheOperationBeforeTheFileIsOpened) {
  sim::Faults f;
  f.noTarget = 1;
  Bench b(SimModel("16F877"), f);
  for (int i = 0; i < 3; ++i) {
    b.op.model = 0;
    const std::string missing = b.dir.Path() + "/absent.hex";
    const std::string r = i == 0   ? ProgramDevice(missing, b.link, b.op)
                          : i == 1 ? VerifyDevice(missing, b.link, b.op)
                                   : EraseDevice(b.link, b.op);
    EXPECT_EQ(r, "");
    EXPECT_EQ(b.op.LastText().rfind(kNotDetected, 0), 0u) << "no message about the file";
    EXPECT_EQ(b.op.LastText().find("Hex"), std::string::npos);
    EXPECT_TRUE(b.op.confirmations.empty());
    EXPECT_EQ(b.sim.DataRegister(), 0);
  }
}

}  // namespace
}  // namespace daxwel
