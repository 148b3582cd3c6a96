// The 16F84/84A and 16F870-877: one word per cycle, erase before write, and the chip erase
// at 0x2007 through Bulk Erase Setup1/Setup2.
#include "device/algorithm.h"

namespace daxwel::detail {

namespace {

class Classic final : public FamilyAlgorithm {
 public:
  // Bit 4 is a code-protection bit on every one of these parts: 0 means protected.
  bool CodeProtected(std::string_view config) const override { return IsCodeProtected(config); }

  int WriteProgram(Session& s, const HexImage& image, const ShowAddress& show) const override {
    const auto sameWord = [](const std::string& read, const std::string& want) {
      return read == want;
    };
    return s.Walk(image.ProgramEnd, [&](int a) {
      show(a);
      return s.WriteIfDifferent(cmd::kReadDataProgram, cmd::kLoadDataProgram,
                                ToBitString(image.ProgramWords[static_cast<std::size_t>(a)]),
                                sameWord, true);
    });
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

}  // namespace

const FamilyAlgorithm& ClassicAlgorithm() {
  static const Classic algorithm;
  return algorithm;
}

}  // namespace daxwel::detail
