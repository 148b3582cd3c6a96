// A word already programmed and a file that wants another there: every family ends with the
// file's word, and none writes over a programmed word without the erase its cells need (flash
// programming only clears bits; the simulated chips keep old AND new and report the write).
#include <set>
#include <string>

#include "bench.h"
#include "device/catalogue.h"

namespace daxwel {
namespace {

using testing::Bench;
using testing::HexBuilder;

// The first part of each programming algorithm the catalogue knows.
std::vector<std::string> OnePartPerFamily() {
  std::vector<std::string> names;
  std::set<const detail::FamilyAlgorithm*> seen;
  for (const DeviceModel& m : Catalogue()) {
    if (seen.insert(&m.family->algorithm).second) names.emplace_back(m.modelName);
  }
  return names;
}

std::string File(Bench& b, int word) {
  HexBuilder h;
  h.Words(0x10, {0x0000, word, 0x1683}).Config(0x3FFF);
  return b.dir.Write("w.hex", h.Text());
}

TEST(Rewrite, EveryFamilyRewritesAProgrammedWordAsItsCellsAllow) {
  struct Kind {
    const char* what;
    int have;
    int want;
  };
  const Kind kinds[] = {
      {"the same word", 0x3FF0, 0x3FF0},
      {"bits only cleared", 0x3FF0, 0x3F00},
      {"a bit set from 0 to 1", 0x3F00, 0x3FF0},
  };
  const std::vector<std::string> parts = OnePartPerFamily();
  ASSERT_GE(parts.size(), 7u);
  for (const std::string& part : parts) {
    for (const Kind& k : kinds) {
      SCOPED_TRACE(part + ": " + k.what);
      Bench b(*sim::ParseSimModel(part));
      ASSERT_EQ(ProgramDevice(File(b, k.have), b.link, b.op), "ok") << b.op.LastText();
      ASSERT_EQ(b.sim.Memory().program[0x11], k.have);
      b.sim.ResetStats();
      const std::string path = File(b, k.want);
      ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
      const auto& program = b.sim.Memory().program;
      EXPECT_EQ(program[0x10], 0x0000);
      EXPECT_EQ(program[0x11], k.want);
      EXPECT_EQ(program[0x12], 0x1683);
      if (k.have == k.want) {
        EXPECT_EQ(b.sim.Stats().programWrites, 0) << "no program word to write";
      }
      EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();
      b.ExpectClean();
    }
  }
}

}  // namespace
}  // namespace daxwel
