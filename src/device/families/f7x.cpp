// The 16F72/73/74/76/77 and the 16F737/747/767/777: Begin Programming (001000) writes the two
// latches of the pair PC<12:1> without erasing them and lasts until End Programming (001110);
// nothing times itself but the Chip Erase (001001), which takes program memory and all of
// configuration memory, code protection with it, wherever the counter stands. Load
// Configuration discards its data word. No data EEPROM, no low-voltage programming; every
// write and erase wants VDD 4.75-5.25 V and VPP 12.75-13.25 V.
#include <algorithm>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel {
extern const ConfigLayout kLayout16F7X;
}  // namespace daxwel

namespace daxwel::detail {

namespace {

constexpr std::string_view kEndProgramming = "001110";
constexpr int kLatches = 2;

// Loads `words` into the latches from the pair's first address (the counter there) and writes
// them; the counter stays on the pair's last word.
void WriteLatches(Session& s, const std::uint16_t* words) {
  for (int k = 0; k < kLatches; ++k) {
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(words[k]));
    if (k < kLatches - 1) s.Increment();
  }
  s.Cycle(cmd::kBeginEraseProgram, s.cycles.rowProgramOnly, false);
  s.Cycle(kEndProgramming, s.cycles.discharge);
}

// Writes the pairs of configuration memory from the counter's pair on (the counter on its
// first word) where a word changes; `have` and `want` from that word, `count` words.
void WritePairs(Session& s, const std::uint16_t* want, const std::uint16_t* have, int count) {
  for (int base = 0; base < count; base += kLatches) {
    std::uint16_t words[kLatches];
    bool any = false;
    for (int k = 0; k < kLatches; ++k) {
      const bool changes = base + k < count && have[base + k] != want[base + k];
      words[k] = changes ? want[base + k] : kErasedValue;
      any = any || changes;
    }
    if (any) {
      WriteLatches(s, words);
    } else {
      s.Increment();
    }
    s.Increment();
  }
}

class F7X final : public WritesWithoutErase {
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

  // An ID or a configuration word may lose bits in place, never gain them.
  bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                             std::uint16_t implemented) const override {
    (void)address;
    return (want & ~have & implemented) == 0;
  }

  void EraseProgramMemory(Session& s) const override {
    Erase(s);
    s.Reset();
    s.Enter();
  }

  // Pair by pair, the pairs with a change only (all on erased words: the plan erased first
  // otherwise), 0x3FFF in the latch of a word that stays; the written pairs read back after.
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    const int count = static_cast<int>(want.size());
    std::vector<bool> written(static_cast<std::size_t>((count + 1) / kLatches), false);
    for (int base = 0; base < count; base += kLatches) {
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
        written[static_cast<std::size_t>(base / kLatches)] = true;
      } else {
        s.Increment();
      }
      if (base + kLatches < count) s.Increment();
    }
    s.Reset();
    s.Enter();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kLatches)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
    });
  }

  // The IDs are two pairs; the configuration word is the odd word of the pair at 0x2006 and
  // the 16F7X7's second one the even word of the next: each pair written when a word of it
  // changes. Load Configuration discards its data word, so every value goes by Load Data.
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    const FamilyDescriptor& f = *s.model->family;
    s.GoToConfig(kErasedWord, 0);
    WritePairs(s, want.data(), have.data(), 4);
    s.Increment();
    s.Increment();  // 0x2004 -> 0x2006
    std::uint16_t wantCfg[4] = {kErasedValue, kErasedValue, kErasedValue, kErasedValue};
    std::uint16_t haveCfg[4] = {kErasedValue, kErasedValue, kErasedValue, kErasedValue};
    for (int w = 0; w < f.configWords; ++w) {
      const auto i = static_cast<std::size_t>(kConfigWordIndex + w);
      const std::uint16_t mask = f.ConfigMaskAt(f.FirstConfigWord() + w);
      wantCfg[1 + w] = want[i];
      // Compared under the stored bits; a word whose bits agree is not written again.
      haveCfg[1 + w] = (have[i] & mask) == (want[i] & mask) ? want[i] : have[i];
    }
    WritePairs(s, wantCfg, haveCfg, 1 + f.configWords);
    if (atConfigWord) atConfigWord(0x2007);
  }

  // The Chip Erase clears everything wherever the counter is; Load Configuration first, as
  // the other erases here start.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
  }

  std::string CheckErased(Session& s) const override {
    const std::uint16_t config = WordOf(s.ReadConfigWord());
    const std::uint16_t cp = s.model->family->protection.writesMask;
    s.Reset();
    s.Enter();
    if ((config & cp) == cp) return {};
    return "La protección de código no pudo ser borrada (configuración 0x" + AddressText(config) +
           ")";
  }
};

const F7X kF7X;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS30324B, DS39588A, DS30492B Table 5-1: TPROG 1 ms (the 16F72's 1-3 ms takes it
// too), nothing printed after End Programming (100 us, as other programmers wait), TERA 30 ms
// printed as a minimum (50 ms here).
constexpr CycleTimes k16F7X{.eraseProgram = milliseconds(1),
                            .programOnly = milliseconds(0),
                            .bulkErase = milliseconds(50),
                            .rowProgramOnly = milliseconds(1),
                            .discharge = microseconds(100)};

// CP (bit 4) protects all program memory; the IDs hold four bits each.
extern const FamilyDescriptor kFamily16F7X{.algorithm = detail::kF7X,
                                           .protection = {0x0010, 0x0010},
                                           .configMask = 0x005F,
                                           .layout = &kLayout16F7X,
                                           .idBits = 0x000F,
                                           .name = "16F7X",
                                           .vddRange = "4,75-5,25 V",
                                           .cycles = k16F7X};

void RegisterFamilies_f7x(FamilyAdder add) { add("16F7X", kFamily16F7X); }

}  // namespace daxwel
