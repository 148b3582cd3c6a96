// What the programming documents ask of each family where an easier reading would lose data:
// data bytes that do not erase themselves, Row Erase on the 8K-word parts, the IDs as the file
// gives them, the 16F87/88/818/819's configuration after an ID erase and a band gap given by
// hand.
#include <algorithm>
#include <array>
#include <vector>

#include "bench.h"
#include "device/algorithm.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

std::string Program(Bench& b, const HexBuilder& h, const char* name = "p.hex") {
  return ProgramDevice(b.dir.Write(name, h.Text()), b.link, b.op);
}

// The 16F6XX and 12F683 (a byte write only clears bits) against the 16F88X and 16F91X (it
// erases the byte): bytes that read erased are written in place; a byte that must gain a bit
// gets the data memory bulk-erased, the bytes past the file's end kept; a byte that does not
// take gets that erase too and then fails with its address.
TEST(Documents, DataBytesThatDoNotEraseThemselves) {
  const struct {
    SimModel model;
    bool eraseNeeded;
  } parts[] = {{SimModel("16F690"), true},
               {SimModel("12F683"), true},
               {SimModel("16F887"), false},
               {SimModel("16F917"), false}};
  for (const auto& p : parts) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    HexBuilder h;
    h.Words(0, {0x2805}).Eeprom(0, {0x5A, 0x12, 0xFF}).Config(0x3FF4);

    Bench fresh(p.model);
    fresh.sim.Memory().eeprom[100] = 0x33;
    ASSERT_EQ(Program(fresh, h), "ok") << fresh.op.LastText();
    fresh.ExpectClean("erased bytes");
    EXPECT_EQ(fresh.sim.Stats().bulkErases, 0) << "erased bytes take the write in place";

    Bench b(p.model);
    auto& eeprom = b.sim.Memory().eeprom;
    eeprom[0] = 0x00;  // must gain bits
    eeprom[2] = 0x40;  // must go back to erased
    eeprom[100] = 0x33;
    ASSERT_EQ(Program(b, h), "ok") << b.op.LastText();
    b.ExpectClean("bytes that hold data");
    EXPECT_EQ(eeprom[0], 0x5A);
    EXPECT_EQ(eeprom[1], 0x12);
    EXPECT_EQ(eeprom[2], 0xFF);
    EXPECT_EQ(eeprom[100], 0x33) << "a byte past the file's end is kept";
    EXPECT_EQ(b.sim.Stats().bulkErases, p.eraseNeeded ? 1 : 0);
    EXPECT_EQ(VerifyDevice(b.dir.Write("p.hex", h.Text()), b.link, b.op), "ok");

    sim::Faults stuck;
    stuck.stuckEeprom = {1};
    Bench s(p.model, stuck);
    EXPECT_EQ(Program(s, h), "verify-error");
    EXPECT_NE(s.op.LastText().find("Error al programar Data Memory\rDirección 0x0001"),
              std::string::npos)
        << s.op.LastText();
    EXPECT_EQ(s.sim.Stats().bulkErases, p.eraseNeeded ? 1 : 0) << "the erase is tried first";
  }
}

// The documents take Row Erase's row from PC<11:4>: on the 8K-word parts a change in the upper
// 4K that needs an erase goes through the bulk erase, and no lower row is lost; in the lower
// 4K the row is erased in place.
TEST(Documents, RowEraseStaysInTheLowerHalfOfTheLargeParts) {
  for (SimModel m : {SimModel("16F886"), SimModel("16F916")}) {
    for (int changed : {0x1005, 0x0FF5}) {
      SCOPED_TRACE(std::string(sim::SimModelName(m)) + " " + detail::AddressText(changed));
      Bench b(m);
      auto& program = b.sim.Memory().program;
      std::vector<int> words(0x1020);
      for (std::size_t a = 0; a < program.size(); ++a) {
        program[a] = static_cast<std::uint16_t>((a * 7 + 1) & 0x3FFF);
        if (a < words.size()) words[a] = program[a];
      }
      program[static_cast<std::size_t>(changed)] = 0x0000;
      words[static_cast<std::size_t>(changed)] = 0x3FF0;
      const auto expected = [&](std::size_t a) {
        return a == static_cast<std::size_t>(changed) ? 0x3FF0 : (a * 7 + 1) & 0x3FFF;
      };
      HexBuilder h;
      h.Words(0, words).Config(0x3FF4);
      ASSERT_EQ(Program(b, h), "ok") << b.op.LastText();
      b.ExpectClean();
      for (std::size_t a = 0; a < program.size(); ++a) {
        ASSERT_EQ(program[a], expected(a)) << detail::AddressText(static_cast<int>(a));
      }
      EXPECT_EQ(b.sim.Stats().bulkErases, changed >= 0x1000 ? 1 : 0);
    }
  }
}

// Every family after the original eight writes the IDs as the file gives them and leaves the
// ones a file does not give as the chip holds them, through an erase too; the 16F84/84A and
// 16F87X keep 0x3F80 with the file's low four bits, and write 0x3F80 where the file has none.
TEST(Documents, IdsAreWrittenAsTheFileGivesThem) {
  const std::array<int, 4> ids{0x0075, 0x3FF5, 0x1234, 0x3FFF};
  const struct {
    SimModel model;
    int config;
    bool original;
  } parts[] = {
      {SimModel("16F84A"), 0x3FF1, true},   {SimModel("16F877"), 0x3F71, true},
      {SimModel("16F877A"), 0x3F31, false}, {SimModel("16F628A"), 0x3F21, false},
      {SimModel("12F675"), 0x01F4, false},  {SimModel("16F887"), 0x3FF4, false},
      {SimModel("16F690"), 0x3FF4, false},  {SimModel("16F917"), 0x3FF4, false},
      {SimModel("16F88"), 0x3F21, false},   {SimModel("16F819"), 0x3F21, false},
  };
  for (const auto& p : parts) {
    SCOPED_TRACE(std::string(sim::SimModelName(p.model)));
    Bench b(p.model);
    HexBuilder with;
    with.Words(0, {0x2805}).Ids({ids[0], ids[1], ids[2], ids[3]}).Config(p.config);
    ASSERT_EQ(Program(b, with, "ids.hex"), "ok") << b.op.LastText();
    b.ExpectClean("with IDs");
    std::array<std::uint16_t, 4> given{};
    for (std::size_t j = 0; j < 4; ++j) {
      given[j] = static_cast<std::uint16_t>(p.original ? 0x3F80 | (ids[j] & 0x0F) : ids[j]);
    }
    EXPECT_EQ(b.sim.Memory().ids, given);
    EXPECT_EQ(VerifyDevice(b.dir.Write("ids.hex", with.Text()), b.link, b.op), "ok")
        << b.op.LastText();

    // Word 0 must gain a bit: the families that cannot rewrite it erase first.
    HexBuilder without;
    without.Words(0, {0x2806}).Config(p.config);
    ASSERT_EQ(Program(b, without, "none.hex"), "ok") << b.op.LastText();
    b.ExpectClean("without IDs");
    EXPECT_EQ(b.sim.Memory().program[0], 0x2806);
    const std::array<std::uint16_t, 4> original{0x3F80, 0x3F80, 0x3F80, 0x3F80};
    EXPECT_EQ(b.sim.Memory().ids, p.original ? original : given);
  }
}

// Erasing the ID row of a 16F87/88/818/819 is followed by both configuration words, even when
// they do not change.
TEST(Documents, AnIdEraseRewritesTheConfigurationWords) {
  for (SimModel m :
       {SimModel("16F87"), SimModel("16F88"), SimModel("16F818"), SimModel("16F819")}) {
    SCOPED_TRACE(std::string(sim::SimModelName(m)));
    const bool two = m == SimModel("16F87") || m == SimModel("16F88");
    Bench b(m);
    HexBuilder first;
    first.Words(0, {0x2805}).Ids({1, 2, 3, 4}).Words(0x2007, {0x3F21, 0x3FFC});
    ASSERT_EQ(Program(b, first, "first.hex"), "ok") << b.op.LastText();
    HexBuilder second;
    second.Words(0, {0x2805}).Ids({8, 2, 3, 4}).Words(0x2007, {0x3F21, 0x3FFC});
    ASSERT_EQ(Program(b, second, "second.hex"), "ok") << b.op.LastText();
    b.ExpectClean();
    EXPECT_EQ(b.sim.Memory().ids[0], 8);
    EXPECT_EQ(b.sim.Memory().config, 0x3F21);
    if (two) {
      EXPECT_EQ(b.sim.Memory().high[0], 0x3FFC);
    }
  }
}

// A band gap given by hand that needs a bit the chip's word has cleared cannot be written in
// place: the part is erased first and takes it. One the chip already holds stays in place.
TEST(Documents, ABandGapGivenByHandThatSetsABitErasesFirst) {
  for (unsigned given : {3u, 1u, 0u}) {
    SCOPED_TRACE(given);
    Bench b(SimModel("12F675"));
    b.sim.Memory().config = 0x01FF;  // band gap 00, every other bit erased
    b.op.factoryValues = {{"BG", static_cast<std::uint16_t>(given)}};
    HexBuilder h;
    h.Words(0, {0x2805}).Config(0x01F4);
    ASSERT_EQ(Program(b, h), "ok") << b.op.LastText();
    b.ExpectClean();
    EXPECT_EQ((b.sim.Memory().config >> 12) & 3, given);
    EXPECT_EQ(b.sim.Memory().config & 0x01FF, 0x01F4);
    EXPECT_EQ(b.sim.Stats().bulkErases, given != 0 ? 1 : 0);
  }
}

}  // namespace
}  // namespace daxwel
