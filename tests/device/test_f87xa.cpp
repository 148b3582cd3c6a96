// The 16F87XA's everyday edits: a programmed block rewritten in place by its erase/program
// cycle, the IDs as one block, the configuration word erased and written by its own cycle,
// and what a bulk erase of program memory leaves for the configuration word.
#include <vector>

#include "bench.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

constexpr int kConfig = 0x3F31;  // XT, LVP off, power-up timer on, no protection
constexpr int kImplemented = 0x2FCF;

// A programmed word for every address, none erased.
int Pattern(int a) { return (a * 7919 + 13) % 0x3FFF; }

// Program words 0..words-1 with `word(a)`, the IDs and the configuration word.
std::string Image(Bench& b, const char* name, int words, int (*word)(int), int config) {
  std::vector<int> all;
  for (int a = 0; a < words; ++a) all.push_back(word(a));
  HexBuilder h;
  h.Words(0, all).Ids({1, 2, 3, 4}).Config(config);
  return b.dir.Write(name, h.Text());
}

// Eight words in eight blocks of a full 16F877A: one bit set, one cleared, one word erased and
// one programmed over an erased word, one in the last block the file only partly covers.
// Each changed block is rewritten alone, the others and the words past the file's end keep
// their values.
TEST(F87xa, ScatteredChangesOnAFullChipRewriteOnlyTheirBlocks) {
  Bench b(SimModel("16F877A"));
  sim::ChipMemory& m = b.sim.Memory();
  for (int a = 0; a < 8192; ++a) m.program[static_cast<std::size_t>(a)] = Pattern(a) & 0x3FFF;
  const int fileWords = 8190;  // the last block's two last words stay out of the file
  ASSERT_EQ(ProgramDevice(Image(b, "same.hex", fileWords, Pattern, kConfig), b.link, b.op), "ok");
  m.program[0x0802] = 0x3FFF;
  const std::vector<std::uint16_t> before = m.program;
  b.sim.ResetStats();

  const struct {
    int address;
    int word;
  } changes[] = {{0x0000, 0x2805}, {0x0011, Pattern(0x11) | 0x0001},
                 {0x0105, 0x0000}, {0x0400, 0x3FFF},
                 {0x0802, 0x1234}, {0x0FFF, 0x0ABC},
                 {0x1A37, 0x0001}, {0x1FFC, 0x3001}};
  std::vector<int> all;
  for (int a = 0; a < fileWords; ++a) all.push_back(before[static_cast<std::size_t>(a)]);
  std::vector<std::uint16_t> expected = before;
  for (const auto& c : changes) {
    all[static_cast<std::size_t>(c.address)] = c.word;
    expected[static_cast<std::size_t>(c.address)] = static_cast<std::uint16_t>(c.word);
  }
  HexBuilder h;
  h.Words(0, all).Ids({1, 2, 3, 4}).Config(kConfig);
  const std::string path = b.dir.Write("edit.hex", h.Text());
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
  b.ExpectClean();
  EXPECT_EQ(b.sim.Stats().bulkErases, 0);
  EXPECT_EQ(b.sim.Stats().programCycles, 8);
  // Only the word over an erased one, alone in its block, takes a programming-only cycle.
  EXPECT_EQ(b.sim.Stats().programOnlyCycles, 1);
  for (std::size_t a = 0; a < expected.size(); ++a) ASSERT_EQ(m.program[a], expected[a]) << a;
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
}

// Small edits of configuration memory: the IDs are loaded together and written by one cycle,
// a configuration word that needs bits set is erased and written in place, and one that must
// read erased is still written after a bulk erase of program memory, which keeps it.
TEST(F87xa, ConfigurationMemoryEditsTakeTheirOwnCycles) {
  const struct Case {
    const char* what;
    int (*word)(int);  // the new file's program words
    int words;
    std::vector<int> ids;
    int config;
    long long cycles;  // erase/program and programming-only cycles
    long long bulkErases;
  } cases[] = {
      {"two IDs", Pattern, 64, {1, 9, 3, 8}, kConfig, 1, 0},
      {"configuration bits set", Pattern, 64, {1, 2, 3, 4}, 0x3F3B, 1, 0},
      {"configuration bits cleared", Pattern, 64, {1, 2, 3, 4}, 0x3F30, 1, 0},
      // The bulk erase, eight blocks from the file, the block of the word past it and the
      // configuration word.
      {"every word and the configuration erased",
       [](int a) { return a ^ 0x0155; },
       64,
       {1, 2, 3, 4},
       0x3FFF,
       1 + 64 / 8 + 1 + 1,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b(SimModel("16F876A"));
    ASSERT_EQ(ProgramDevice(Image(b, "a.hex", 64, Pattern, kConfig), b.link, b.op), "ok");
    b.sim.Memory().program[100] = 0x0777;  // past the file: kept by every path
    b.sim.ResetStats();
    std::vector<int> all;
    for (int a = 0; a < c.words; ++a) all.push_back(c.word(a));
    HexBuilder h;
    h.Words(0, all).Ids(c.ids).Config(c.config);
    const std::string path = b.dir.Write("b.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean();
    const sim::ChipMemory& m = b.sim.Memory();
    EXPECT_EQ(b.sim.Stats().programCycles, c.cycles);
    EXPECT_EQ(b.sim.Stats().bulkErases, c.bulkErases);
    EXPECT_EQ(m.config & kImplemented, c.config & kImplemented);
    for (std::size_t j = 0; j < 4; ++j) EXPECT_EQ(m.ids[j] & 0x0F, c.ids[j]) << j;
    EXPECT_EQ(m.program[63], c.word(63));
    EXPECT_EQ(m.program[100], 0x0777);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
  }
}

}  // namespace
}  // namespace daxwel
