// The 12F609/615/617, 16F610/616 and their HV parts: Begin Programming (011000) writes
// without erasing and lasts until End Programming (001010); the family has no self-timed
// write at all. Program memory takes one word per cycle, or the four latches of the row
// PC<..:2> on the parts the parts file gives four; configuration memory one word. Bulk Erase
// (001001) times itself and takes program memory and the configuration word, from 0x2000 the
// IDs too, and with the counter on 0x2008 the factory calibration word: it is only ever sent
// from 0x2000, and 0x2008 is read, shown and kept, never written. The 12F752 and 12HV752 are
// programmed the same way (peers drive them with this family's routine) with a second
// calibration word at 0x2009 and the oscillator in FOSC0 alone.
#include <algorithm>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel {
extern const ConfigLayout kLayout12F61X;
extern const ConfigLayout kLayout12F617;
extern const ConfigLayout kLayout12F752;
}  // namespace daxwel

namespace daxwel::detail {

namespace {

constexpr std::string_view kEndProgramming = "001010";
constexpr std::uint16_t kCodeProtect = 0x0040;
constexpr std::uint16_t kMclre = 0x0020;
constexpr std::uint16_t kOscillator = 0x0007;
constexpr int kMaxLatches = 4;

// Program-memory write latches of the attached part: what the parts file gives, one where it
// says nothing.
int Latches(const Session& s) { return std::clamp(s.model->latches, 1, kMaxLatches); }

// Loads `words` into the latches from the row's first address (the counter there) and writes
// them with one externally timed cycle: the counter is not advanced after the last load until
// the cycle has ended.
void WriteLatches(Session& s, const std::uint16_t* words, int latches) {
  for (int k = 0; k < latches; ++k) {
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(words[k]));
    if (k < latches - 1) s.Increment();
  }
  s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
  s.Cycle(kEndProgramming, s.cycles.discharge);
}

class F61x : public WritesWithoutErase {
 public:
  // VPP first enters with any configuration; VDD first not with the internal oscillator and
  // MCLR off, which an adapter that keeps VDD on cannot get past.
  bool EntersVppFirst() const override { return true; }
  bool ChecksDeviceId() const override { return true; }

  bool LocksReentry(std::uint16_t config) const override {
    const unsigned osc = config & kOscillator;
    return (config & kMclre) == 0 && (osc == 4 || osc == 5);
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if (!LocksReentry(config)) return {};
    return "La configuración usa el oscilador interno con MCLR deshabilitado (MCLRE = 0)\r\r"
           "Así el PIC solo vuelve a entrar en modo de programación con VPP aplicada antes que "
           "VDD. Un programador que mantiene VDD conectado ya no podrá reprogramarlo.\r\r"
           "                 ¿ Desea continuar ?";
  }

  std::string NoAnswerHint() const override {
    return "\r\rEstos PIC se programan por GP1/RA1 (reloj, ICSPCLK), GP0/RA0 (datos, ICSPDAT) "
           "y GP3/RA3 (VPP): compruebe el cableado del zócalo (vea la ayuda).\r"
           "Si el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, solo entra "
           "en modo de programación con un programador que aplique VPP antes que VDD";
  }

  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (have != kErasedValue) return std::nullopt;
    return ErasedCost(t, want);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return t.rowProgramOnly + t.discharge;
  }

  // An ID or the configuration word may lose bits in place, never gain them.
  bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                             std::uint16_t implemented) const override {
    (void)address;
    return (want & ~have & implemented) == 0;
  }

  // From 0x2000 the bulk erase takes program memory, the IDs and the configuration word, and
  // leaves the calibration word.
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
    const int latches = Latches(s);
    const int rows = (count + latches - 1) / latches;
    std::vector<bool> written(static_cast<std::size_t>(rows), false);
    for (int r = 0; r < rows; ++r) {
      const int base = r * latches;
      std::uint16_t words[kMaxLatches];
      bool any = false;
      for (int k = 0; k < latches; ++k) {
        const auto a = static_cast<std::size_t>(base + k);
        const bool changes = base + k < count && have[a] != want[a];
        words[k] = changes ? want[a] : kErasedValue;
        any = any || changes;
      }
      show(std::min(base, count - 1));
      if (any) {
        WriteLatches(s, words, latches);
        written[static_cast<std::size_t>(r)] = true;
      } else {
        for (int k = 0; k < latches - 1; ++k) s.Increment();
      }
      if (r < rows - 1) s.Increment();
    }
    s.Reset();
    s.Enter();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / latches)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
    });
  }

  // Configuration memory one word per cycle: the IDs and the configuration word that differ
  // (only clearing bits: the plan erased first otherwise). Never the calibration word.
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    const FamilyDescriptor& family = *s.model->family;
    s.GoToConfig(kErasedWord, 0);
    int at = family.configBase;
    for (int address : WrittenConfigAddresses(family)) {
      for (; at < address; ++at) s.Increment();
      const auto j = family.ConfigIndex(address);
      const std::uint16_t mask =
          address >= family.FirstConfigWord() ? family.ConfigMaskAt(address) : kErasedValue;
      if ((have[j] & mask) != (want[j] & mask)) WriteLatches(s, &want[j], 1);
      if (address >= family.FirstConfigWord() && atConfigWord) atConfigWord(address);
    }
  }

  // Load Configuration, then Bulk Erase: program memory, the IDs and the configuration word,
  // code protection with it; the calibration word stays.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
  }

  std::string CheckErased(Session& s) const override {
    const std::uint16_t config = WordOf(s.ReadConfigWord());
    s.Reset();
    s.Enter();
    if ((config & kCodeProtect) != 0) return {};
    return "La protección de código no pudo ser borrada (configuración 0x" + AddressText(config) +
           ")";
  }
};

const F61x kF61x;

// The 12F752: FOSC0 = 0 is the internal oscillator; bits 2-1 do not exist.
class F752 final : public F61x {
 public:
  bool LocksReentry(std::uint16_t config) const override {
    return (config & kMclre) == 0 && (config & kFosc0) == 0;
  }

 private:
  static constexpr std::uint16_t kFosc0 = 0x0001;
};

const F752 kF752;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS41284C (PIC12F6XX/16F61X memory programming), Table 7-1: TPROG at least 3 ms
// for 011000 up to End Programming (4 ms here), TDIS at least 100 us, TERA at most 6 ms.
constexpr CycleTimes k12F61X{.eraseProgram = milliseconds(4),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(10),
                             .rowProgramOnly = milliseconds(4),
                             .discharge = microseconds(200)};
constexpr int kCalibration[] = {0x2008};
constexpr int kCalibration752[] = {0x2008, 0x2009};

// CP (bit 6) protects program memory; there is no data memory. MCLR takes 13 V at most, the
// most a common adapter gives.
constexpr FamilyDescriptor Family61x(const ConfigLayout* layout, std::uint16_t configMask) {
  return {.algorithm = detail::kF61x,
          .protection = {0x0040, 0x0040},
          .configMask = configMask,
          .layout = layout,
          .calibrationWords = kCalibration,
          .name = "12F61X",
          .vddRange = "4,5-5,5 V",
          .cycles = k12F61X};
}
extern const FamilyDescriptor kFamily12F61X = Family61x(&kLayout12F61X, 0x03FF);
extern const FamilyDescriptor kFamily12F617 = Family61x(&kLayout12F617, 0x0FFF);
// No programming document of the 12F752 was at hand: the peers' figures and the 12F61X's
// times, 13 V at most on MCLR as the one source with limits gives (10-13 V), and bits 12-0
// compared (the DEBUG bit 13 is named by some sources only).
constexpr FamilyDescriptor Family752() {
  FamilyDescriptor family = Family61x(&kLayout12F752, 0x1F79);
  return {.algorithm = detail::kF752,
          .protection = family.protection,
          .configMask = family.configMask,
          .layout = family.layout,
          .calibrationWords = kCalibration752,
          .name = "12F752",
          .vddRange = family.vddRange,
          .cycles = family.cycles};
}
extern const FamilyDescriptor kFamily12F752 = Family752();

void RegisterFamilies_f61x(FamilyAdder add) {
  add("12F61X", kFamily12F61X);
  add("12F617", kFamily12F617);
  add("12F752", kFamily12F752);
}

}  // namespace daxwel
