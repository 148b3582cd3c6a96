// The 16F873A/874A/876A/877A: program memory is written in rows of eight words through
// eight write latches, and the whole chip is erased with Chip Erase. The 16F87X's Bulk Erase
// Setup1/Setup2 sequence is never sent to these parts.
#include <array>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

constexpr int kRow = 8;

class F87xa final : public FamilyAlgorithm {
 public:
  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rCon el PIC borrado (LVP habilitado) mantenga RB3 (PGM) en 0 V durante la "
           "programación";
  }

  // Programming only, on a row or an ID/configuration word, writes nothing but over erased
  // cells; no document says what 001000 does to a programmed row, so a word that is not
  // erased is only changed after an erase.
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (have != kErasedValue) return std::nullopt;
    return ErasedCost(t, want);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return (t.rowProgramOnly + t.discharge) / kRow;
  }

  bool ConfigWritesInPlace(std::uint16_t have, std::uint16_t implemented) const override {
    return (have & implemented) == implemented;
  }

  // From configuration memory, Bulk Erase Program Memory armed and run by 001000 clears
  // program memory, the IDs and the configuration word, not the EEPROM; End Programming
  // closes it.
  void EraseProgramMemory(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Command(cmd::kBulkEraseProgram);
    s.Cycle(cmd::kBeginEraseProgram, s.cycles.bulkErase, false);
    s.Cycle(cmd::kEndProgramming, s.cycles.discharge);
    s.Reset();
    s.Enter();
  }
  bool EraseFirstClearsConfig() const override { return true; }

  // A row with a word to change is loaded latch by latch, back to back, then written with
  // one programming-only cycle: 0x3FFF in the latch of a word that stays, which programming
  // only leaves as it is. The written rows are read back in a second pass.
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    const int count = static_cast<int>(want.size());
    const int rows = (count + kRow - 1) / kRow;
    std::vector<bool> written(static_cast<std::size_t>(rows), false);
    const auto changes = [&](int a) {
      return a < count && have[static_cast<std::size_t>(a)] != want[static_cast<std::size_t>(a)];
    };
    for (int r = 0; r < rows; ++r) {
      const int base = r * kRow;
      bool any = false;
      for (int a = base; a < base + kRow; ++a) any = any || changes(a);
      for (int a = base; a < base + kRow; ++a) {
        if (a < count) show(a);
        if (any) {
          s.Command(cmd::kLoadDataProgram);
          s.Data(ToBitString(changes(a) ? want[static_cast<std::size_t>(a)] : kErasedValue));
        }
        if (a < base + kRow - 1) s.Increment();
      }
      if (any) {
        // No yield point between the cycle and its End Programming: an abort waits for both.
        s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
        s.Cycle(cmd::kEndProgramming, s.cycles.discharge);
        written[static_cast<std::size_t>(r)] = true;
      }
      if (r < rows - 1) s.Increment();
    }

    s.Reset();
    s.Enter();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kRow)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
    });
  }

  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    WriteChangedIdsAndConfig(s, want, have, atConfigWord);
  }

  // With the counter in configuration memory Chip Erase also clears the ID locations.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kChipErase, s.cycles.bulkErase);
  }
};

const F87xa kF87xa;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

// Bit 13 protects all program memory, bit 8 the data EEPROM; bit 4 is unimplemented.
extern const FamilyDescriptor kFamily16F87XA{
    detail::kF87xa, {0x2100, 0x2100}, 0x2FCF, &kLayout16F87XA};

}  // namespace daxwel
