// The 16F873A/874A/876A/877A: program memory is written in rows of eight words through
// eight write latches, and the whole chip is erased with Chip Erase. The 16F87X's Bulk Erase
// Setup1/Setup2 sequence is never sent to these parts.
#include <array>
#include <vector>

#include "device/algorithm.h"

namespace daxwel::detail {

namespace {

constexpr int kRow = 8;

class F87xa final : public FamilyAlgorithm {
 public:
  bool CodeProtected(std::string_view config) const override {
    return ProtectedByBits13And8(config);
  }

  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rCon el PIC borrado (LVP habilitado) mantenga RB3 (PGM) en 0 V durante la "
           "programación";
  }

  // A cycle writes a whole row from the latches, so every word of a row is read and loaded
  // into its latch on the way (a changed word keeps its seven neighbours). The counter only
  // moves forward, so the written rows are read back in a second pass.
  int WriteProgram(Session& s, const HexImage& image, const ShowAddress& show) const override {
    const int last = image.ProgramEnd;
    const int rowsEnd = (last / kRow + 1) * kRow - 1;
    std::vector<bool> written(static_cast<std::size_t>(rowsEnd / kRow + 1), false);
    bool clearsOnly = true;
    bool differs = false;
    for (int a = 0; a <= rowsEnd; ++a) {
      if (a <= last) show(a);
      s.Command(cmd::kReadDataProgram);
      const std::string before = s.Read();
      const std::string want =
          a <= last ? ToBitString(image.ProgramWords[static_cast<std::size_t>(a)]) : before;
      if (want != before) {
        differs = true;
        clearsOnly = clearsOnly && OnlyClearsBits(before, want);
      }
      s.Command(cmd::kLoadDataProgram);
      s.Data(want);
      if (a % kRow == kRow - 1 && differs) {
        // Programming only cannot set a bit; erase and program the row when one must be set.
        if (clearsOnly) {
          s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly);
          s.Cycle(cmd::kEndProgramming, s.cycles.discharge);
        } else {
          s.Cycle(cmd::kBeginEraseProgram, s.cycles.rowProgram);
        }
        written[static_cast<std::size_t>(a / kRow)] = true;
      }
      if (a % kRow == kRow - 1) {
        differs = false;
        clearsOnly = true;
      }
      if (a < rowsEnd) s.Increment();
    }

    s.Reset();
    s.Enter();
    return s.Walk(last, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kRow)]) return true;
      s.Command(cmd::kReadDataProgram);
      return s.Read() == ToBitString(image.ProgramWords[static_cast<std::size_t>(a)]);
    });
  }

  // With the counter in configuration memory Chip Erase also clears the ID locations.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kChipErase, s.cycles.bulkErase);
  }
};

}  // namespace

const FamilyAlgorithm& F87xaAlgorithm() {
  static const F87xa algorithm;
  return algorithm;
}

}  // namespace daxwel::detail
