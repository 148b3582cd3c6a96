// The 16F84/84A and 16F870-877: one word per cycle, erase before write, and the chip erase
// at 0x2007 through Bulk Erase Setup1/Setup2.
#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

class Classic final : public FamilyAlgorithm {
 public:
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    // The erase/program cycle rewrites any word; an erased one takes the shorter cycle.
    return have == kErasedValue ? ErasedCost(t, want) : t.eraseProgram;
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return t.HasProgramOnly() ? t.programOnly : t.eraseProgram;
  }

  // Load Data 0x3FFF, Bulk Erase Program Memory, then the erase/program cycle runs it. Only
  // program memory is erased.
  void EraseProgramMemory(Session& s) const override {
    s.Command(cmd::kLoadDataProgram);
    s.Data(kErasedWord);
    s.Command(cmd::kBulkEraseProgram);
    s.EraseCycle();
    s.Reset();
    s.Enter();
  }

  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    return WriteWordByWord(s, want, have, show, true);
  }

  // The chip erase at 0x2007 clears everything, code protection included; the explicit
  // program and data bulk erases follow because some silicon leaves the EEPROM after it.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 7);
    s.Command(cmd::kBulkEraseSetup1);
    s.Command(cmd::kBulkEraseSetup2);
    s.EraseCycle();
    s.Command(cmd::kBulkEraseSetup1);
    s.Command(cmd::kBulkEraseSetup2);
    s.Command(cmd::kBulkEraseProgram);
    s.EraseCycle();
    s.Command(cmd::kBulkEraseData);
    s.EraseCycle();
  }
};

const Classic kClassic;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Figures from Microchip's programming documents for the parts: DS30262 (PIC16F8X EEPROM
// memory programming) for the 16F84A and DS39025 (PIC16F87X Flash memory programming) for the
// 16F87X. The 16F84 without A has no device ID and a slower cell, so its row waits 20 ms for
// everything until the part shows a 16F84A ID. We could not confirm a Begin Programming Only
// time of the 16F84A's own, so it keeps the Begin Erase/Programming Cycle.
constexpr CycleTimes k16F84{milliseconds(20), milliseconds(0), milliseconds(20)};
constexpr CycleTimes k16F84A{milliseconds(8), milliseconds(0), milliseconds(10)};
// tera + tprog = 4 + 4 ms for an erase/program cycle, tprog = 4 ms programming only.
constexpr CycleTimes k16F87X{milliseconds(8), milliseconds(4), milliseconds(8)};

// Bit 4 is a code-protection bit on every one of these parts, and the programmer stops on it
// alone. A read also stops on any other protection field: the 16F84's CP bits 13..4, the
// 16F87X's CP1:CP0 pairs (13:12, 5:4) and CPD (8).
// Every 16F84 bit is implemented; bit 10 of the 16F87X is not. The IDs are always written,
// 0x3F80 with the file's low four bits.
constexpr FamilyDescriptor ClassicFamily(Protection protection, std::uint16_t configMask,
                                         const ConfigLayout* layout, std::string_view name,
                                         CycleTimes cycles = k16F87X,
                                         std::optional<CycleTimes> identified = {}) {
  return {.algorithm = detail::kClassic,
          .protection = protection,
          .configMask = configMask,
          .layout = layout,
          .idBits = 0x000F,
          .writesMissingIds = true,
          .name = name,
          .cycles = cycles,
          .identifiedCycles = identified};
}
extern const FamilyDescriptor kFamily16F84 =
    ClassicFamily({0x0010, 0x3FF0}, 0x3FFF, &kLayout16F84, "16F84", k16F84, k16F84A);
extern const FamilyDescriptor kFamily16F870 =
    ClassicFamily({0x0010, 0x3130}, 0x3BFF, &kLayout16F870, "16F87X");
extern const FamilyDescriptor kFamily16F873 =
    ClassicFamily({0x0010, 0x3130}, 0x3BFF, &kLayout16F873, "16F87X");
extern const FamilyDescriptor kFamily16F876 =
    ClassicFamily({0x0010, 0x3130}, 0x3BFF, &kLayout16F876, "16F87X");

void RegisterFamilies_classic(FamilyAdder add) {
  add("16F84", kFamily16F84);
  add("16F870", kFamily16F870);
  add("16F873", kFamily16F873);
  add("16F876", kFamily16F876);
}

}  // namespace daxwel
