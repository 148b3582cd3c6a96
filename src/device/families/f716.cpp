// The 16F716: Begin Programming (011000) writes the four latches of the row PC<11:2> without
// erasing them and lasts until End Programming (001110), which also sets the latches back to
// all ones; there is no self-timed write. Bulk Erase (001001) times itself and takes program
// memory and the configuration word, code protection with it, and from configuration memory
// the IDs too. No data EEPROM, no low-voltage programming, and the document enters VDD first.
#include <algorithm>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel {
extern const ConfigLayout kLayout16F716;
}  // namespace daxwel

namespace daxwel::detail {

namespace {

constexpr std::string_view kEndProgramming = "001110";
constexpr int kLatches = 4;

// Loads `words` into the latches from the row's first address (the counter there) and writes
// them: the counter is not advanced after the last load until the cycle has ended.
void WriteLatches(Session& s, const std::uint16_t* words) {
  for (int k = 0; k < kLatches; ++k) {
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(words[k]));
    if (k < kLatches - 1) s.Increment();
  }
  s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
  s.Cycle(kEndProgramming, s.cycles.discharge);
}

class F716 final : public WritesWithoutErase {
 public:
  bool ChecksDeviceId() const override { return true; }

  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (have != kErasedValue) return std::nullopt;
    return ErasedCost(t, want);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return (t.rowProgramOnly + t.discharge) / kLatches;
  }

  // An ID or the configuration word may lose bits in place, never gain them.
  bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                             std::uint16_t implemented) const override {
    (void)address;
    return (want & ~have & implemented) == 0;
  }

  // From 0x2000 the bulk erase takes program memory, the IDs and the configuration word.
  void EraseProgramMemory(Session& s) const override {
    Erase(s);
    s.Reset();
    s.Enter();
  }

  // Row by row, the rows with a change only (all on erased words: the plan erased first
  // otherwise), 0x3FFF in the latches of the words that stay. The written rows are read back
  // in a second pass.
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    const int count = static_cast<int>(want.size());
    const int rows = (count + kLatches - 1) / kLatches;
    std::vector<bool> written(static_cast<std::size_t>(rows), false);
    for (int r = 0; r < rows; ++r) {
      const int base = r * kLatches;
      std::uint16_t words[kLatches];
      bool any = false;
      for (int k = 0; k < kLatches; ++k) {
        const auto a = static_cast<std::size_t>(base + k);
        const bool changes = base + k < count && have[a] != want[a];
        words[k] = changes ? want[a] : kErasedValue;
        any = any || changes;
      }
      show(std::min(base, count - 1));
      if (any) {
        WriteLatches(s, words);
        written[static_cast<std::size_t>(r)] = true;
      } else {
        for (int k = 0; k < kLatches - 1; ++k) s.Increment();
      }
      if (r < rows - 1) s.Increment();
    }
    s.Reset();
    s.Enter();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kLatches)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
    });
  }

  // The IDs are one row and the configuration word the last of another: each row is written
  // when a word of it changes, 0x3FFF in the other latches.
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    const std::uint16_t mask = s.model->family->configMask;
    s.GoToConfig(kErasedWord, 0);
    std::uint16_t ids[kLatches];
    bool idsChange = false;
    for (std::size_t j = 0; j < kLatches; ++j) {
      ids[j] = have[j] != want[j] ? want[j] : kErasedValue;
      idsChange = idsChange || have[j] != want[j];
    }
    if (idsChange) {
      WriteLatches(s, ids);
    } else {
      for (int k = 0; k < kLatches - 1; ++k) s.Increment();
    }
    for (int k = 0; k < kLatches; ++k) s.Increment();  // 0x2003 -> 0x2007
    if ((have[kConfigWordIndex] & mask) != (want[kConfigWordIndex] & mask)) {
      s.Command(cmd::kLoadDataProgram);
      s.Data(ToBitString(want[kConfigWordIndex]));
      s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
      s.Cycle(kEndProgramming, s.cycles.discharge);
    }
    if (atConfigWord) atConfigWord(0x2007);
  }

  // Load Configuration, then Bulk Erase: everything, code protection included.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
  }

  std::string CheckErased(Session& s) const override {
    const std::uint16_t config = WordOf(s.ReadConfigWord());
    s.Reset();
    s.Enter();
    if ((config & 0x2000) != 0) return {};
    return "La protección de código no pudo ser borrada (configuración 0x" + AddressText(config) +
           ")";
  }
};

const F716 kF716;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS40245B (PIC16F716 programming), Table 5-1: TPROG at most 2 ms for 011000 up to
// End Programming, TDIS at least 100 us after it, TERA at most 6 ms (10 ms here).
constexpr CycleTimes k16F716{.eraseProgram = milliseconds(2),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(10),
                             .rowProgramOnly = milliseconds(2),
                             .discharge = microseconds(200)};

// CP (bit 13) protects all program memory. The IDs hold seven bits each.
extern const FamilyDescriptor kFamily16F716{.algorithm = detail::kF716,
                                            .protection = {0x2000, 0x2000},
                                            .configMask = 0x20CF,
                                            .layout = &kLayout16F716,
                                            .idBits = 0x007F,
                                            .name = "16F716",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k16F716};

void RegisterFamilies_f716(FamilyAdder add) { add("16F716", kFamily16F716); }

}  // namespace daxwel
