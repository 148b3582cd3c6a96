// The 16F873A/874A/876A/877A: program memory is written in blocks of eight words through
// eight write latches, and the whole chip is erased with Chip Erase. Begin Erase/Programming
// (001000) erases the block the counter is in before it writes all eight latches, so a
// programmed block is rewritten in place; the four IDs are one such block of test memory, and
// the configuration word is erased before it is written the same way. The 16F87X's Bulk
// Erase Setup1/Setup2 sequence is never sent to these parts.
#include <algorithm>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

constexpr int kRow = 8;
constexpr std::size_t kIds = 4;

class F87xa final : public FamilyAlgorithm {
 public:
  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rCon el PIC borrado (LVP habilitado) mantenga RB3 (PGM) en 0 V durante la "
           "programación";
  }

  // A programmed word that changes costs its block's erase and write, at most; an erased one
  // its share of a programming-only block.
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (have != kErasedValue) return t.rowProgram;
    return ErasedCost(t, want);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return (t.rowProgramOnly + t.discharge) / kRow;
  }

  // Bulk Erase Program Memory armed and run by 001000 from program memory clears program
  // memory alone: the IDs and the configuration word stay, and are rewritten only where they
  // differ (from test memory it would take the IDs, but never the configuration word).
  // End Programming closes it.
  void EraseProgramMemory(Session& s) const override {
    s.Command(cmd::kLoadDataProgram);
    s.Data(kErasedWord);
    s.Command(cmd::kBulkEraseProgram);
    s.Cycle(cmd::kBeginEraseProgram, s.cycles.bulkErase, false);
    s.Cycle(cmd::kEndProgramming, s.cycles.discharge);
    s.Reset();
    s.Enter();
  }

  // Block by block: one whose changes all fall on erased words takes a programming-only
  // cycle, 0x3FFF in the latch of every other word, which that cycle leaves as it is; any
  // other changed block is erased and written whole by 001000, every latch holding the
  // block's final word (the words past the file's end read from the chip first). The written
  // blocks are read back in a second pass.
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    const int count = static_cast<int>(want.size());
    const int rows = (count + kRow - 1) / kRow;
    std::vector<bool> written(static_cast<std::size_t>(rows), false);
    const auto at = [](const std::vector<std::uint16_t>& v, int a) {
      return v[static_cast<std::size_t>(a)];
    };
    for (int r = 0; r < rows; ++r) {
      const int base = r * kRow;
      bool any = false;
      bool erase = false;
      for (int a = base; a < std::min(base + kRow, count); ++a) {
        any = any || at(have, a) != at(want, a);
        erase = erase || (at(have, a) != at(want, a) && at(have, a) != kErasedValue);
      }
      for (int a = base; a < base + kRow; ++a) {
        if (a < count) show(a);
        if (any) {
          std::uint16_t word = kErasedValue;
          if (a >= count) {
            if (erase) word = Held(s);
          } else if (erase || at(have, a) != at(want, a)) {
            word = at(want, a);
          }
          s.Command(cmd::kLoadDataProgram);
          s.Data(ToBitString(word));
        }
        if (a < base + kRow - 1) s.Increment();
      }
      if (any) {
        WriteBlock(s, erase);
        written[static_cast<std::size_t>(r)] = true;
      }
      if (r < rows - 1) s.Increment();
    }

    s.Reset();
    s.Enter();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kRow)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == at(want, a);
    });
  }

  // The four IDs, loaded together and written by one erase/program cycle when any differs;
  // the configuration word after them, erased and written by its own cycle when it differs
  // on the bits the part stores.
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    const FamilyDescriptor& family = *s.model->family;
    s.GoToConfig(kErasedWord, 0);
    int at = family.configBase;
    if (!std::equal(want.begin(), want.begin() + kIds, have.begin())) {
      for (std::size_t j = 0; j < kIds; ++j) {
        if (j > 0) {
          s.Increment();
          ++at;
        }
        s.Command(cmd::kLoadDataProgram);
        s.Data(ToBitString(want[j]));
      }
      s.Cycle(cmd::kBeginEraseProgram, s.cycles.rowProgram);
    }
    for (int address : WrittenConfigAddresses(family)) {
      if (!family.IsConfigWord(address)) continue;
      for (; at < address; ++at) s.Increment();
      const std::size_t j = family.ConfigIndex(address);
      const std::uint16_t mask = family.ConfigMaskAt(address);
      if ((have[j] & mask) != (want[j] & mask)) {
        s.Command(cmd::kLoadDataProgram);
        s.Data(ToBitString(want[j]));
        s.Program();
      }
      if (atConfigWord) atConfigWord(address);
    }
  }

  // With the counter in configuration memory Chip Erase also clears the ID locations.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kChipErase, s.cycles.bulkErase);
  }

 private:
  // The word the chip holds where the counter stands.
  static std::uint16_t Held(Session& s) {
    s.Command(cmd::kReadDataProgram);
    return WordOf(s.Read());
  }

  static void WriteBlock(Session& s, bool erase) {
    if (erase) {
      s.Cycle(cmd::kBeginEraseProgram, s.cycles.rowProgram);
      return;
    }
    // No yield point between the cycle and its End Programming: an abort waits for both.
    s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
    s.Cycle(cmd::kEndProgramming, s.cycles.discharge);
  }
};

const F87xa kF87xa;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

// Bit 13 protects all program memory, bit 8 the data EEPROM; bit 4 is unimplemented.
using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS39589 (PIC16F87XA Flash memory programming), as other programmers cite it:
// 1 ms programming only and 10 ms erase/program and chip erase, with no word on whether those
// are worst cases; these are the longer waits that working programmers use. A row cycle
// writes all eight latches; End Programming closes a programming-only cycle.
constexpr CycleTimes k16F87XA{.eraseProgram = milliseconds(12),
                              .programOnly = milliseconds(0),
                              .bulkErase = milliseconds(15),
                              .rowProgram = milliseconds(16),
                              .rowProgramOnly = milliseconds(2),
                              .discharge = microseconds(100)};
extern const FamilyDescriptor kFamily16F87XA{.algorithm = detail::kF87xa,
                                             .protection = {0x2100, 0x2100},
                                             .configMask = 0x2FCF,
                                             .layout = &kLayout16F87XA,
                                             .name = "16F87XA",
                                             .vddRange = "4,5-5,5 V",
                                             .cycles = k16F87XA};

void RegisterFamilies_f87xa(FamilyAdder add) { add("16F87XA", kFamily16F87XA); }

}  // namespace daxwel
