// The 16F87/88 and 16F818/819: Begin Erase (001000) only erases, a 32-word program row or one
// data byte, and lasts until End Programming (010111); Begin Programming Only (011000) writes
// four latches at a time, also ended by End Programming. Load Configuration discards its data,
// so every configuration-memory write has its own Load Data. Chip Erase clears everything,
// code protection included.
#include <algorithm>
#include <array>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

constexpr int kRowWords = 32;
constexpr int kGroupWords = 4;
constexpr int kGroupsPerRow = kRowWords / kGroupWords;
constexpr std::uint16_t kMclre = 0x0020;
constexpr std::uint16_t kOscillator = 0x0013;
constexpr std::uint16_t kIntrcIo = 0x0010;
constexpr std::uint16_t kIntrcClkout = 0x0011;

// The address counter of a Session, stepped forward with Increment Address only: going back
// means leaving programming mode and entering again at 0.
class Counter {
 public:
  explicit Counter(Session& s) : s_(s) {}
  void To(int address) {
    if (address < at_) Restart();
    while (at_ < address) {
      s_.Increment();
      ++at_;
    }
  }
  void Restart() {
    s_.Reset();
    s_.Enter();
    at_ = 0;
  }

 private:
  Session& s_;
  int at_ = 0;
};

class F81x final : public FamilyAlgorithm {
 public:
  bool LocksReentry(std::uint16_t config) const override {
    const std::uint16_t oscillator = config & kOscillator;
    return (config & kMclre) == 0 && (oscillator == kIntrcIo || oscillator == kIntrcClkout);
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if (!LocksReentry(config)) return {};
    return "La configuración usa el oscilador interno con MCLR deshabilitado (MCLRE = 0)\r\r"
           "Este PIC debe recibir VPP dentro de los 250 µs siguientes a la subida de VDD; un "
           "programador que mantiene VDD conectado no puede cumplirlo, y el PIC podría no "
           "volver a entrar en modo de programación en él: solo uno que conmute VDD podría "
           "recuperarlo.\r\r"
           "                 ¿ Desea continuar ?";
  }

  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, solo un "
           "programador que conmute VDD y aplique VPP enseguida puede hacerlo entrar en modo "
           "de programación.\r"
           "Con el PIC borrado (LVP habilitado) mantenga RB3 (PGM, pata 9) en 0 V";
  }

  // A programmed word is only changed by erasing its row and writing the row again: at most
  // that, for a row with a single change.
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (have == kErasedValue) return ErasedCost(t, want);
    return Erasing(t) + kGroupsPerRow * Writing(t);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    if (want == kErasedValue) return std::chrono::microseconds(0);
    return Writing(t) / kGroupWords;
  }

  // Bulk Erase Program Memory with the counter in program memory clears program memory only;
  // a Load selects program memory first, as the programming document asks before any erase.
  void EraseProgramMemory(Session& s) const override {
    s.Command(cmd::kLoadDataProgram);
    s.Data(kErasedWord);
    s.Command(cmd::kBulkEraseProgram);
    s.Cycle(cmd::kBeginEraseProgram, s.cycles.bulkErase, false);
    End(s);
    s.Reset();
    s.Enter();
  }

  // Row by row: a row whose changes all fall on erased words takes its groups as they are;
  // any other row is erased and written whole, the words past the file's end included (read
  // from the chip first). The written rows are read back in a second pass.
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    const int count = static_cast<int>(want.size());
    const int words = s.model->programWords;
    std::vector<bool> written(static_cast<std::size_t>((count + kRowWords - 1) / kRowWords));
    Counter pc(s);
    for (int base = 0; base < count; base += kRowWords) {
      bool changes = false;
      bool erase = false;
      for (int a = base; a < std::min(base + kRowWords, count); ++a) {
        const auto i = static_cast<std::size_t>(a);
        changes = changes || have[i] != want[i];
        erase = erase || (have[i] != want[i] && have[i] != kErasedValue);
      }
      show(base);
      if (!changes) continue;
      written[static_cast<std::size_t>(base / kRowWords)] = true;

      const int rowEnd = std::min(base + kRowWords, words);
      std::array<std::uint16_t, kRowWords> row{};
      row.fill(kErasedValue);
      for (int a = base; a < std::min(rowEnd, count); ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (erase || have[i] != want[i]) row[static_cast<std::size_t>(a - base)] = want[i];
      }
      if (erase && rowEnd > count) {
        // The words after the file's end go with the row: keep what they hold.
        pc.To(count);
        for (int a = count; a < rowEnd; ++a) {
          s.Command(cmd::kReadDataProgram);
          row[static_cast<std::size_t>(a - base)] = WordOf(s.Read());
          if (a < rowEnd - 1) pc.To(a + 1);
        }
      }
      pc.To(base);
      if (erase) {
        s.Command(cmd::kLoadDataProgram);
        s.Data(kErasedWord);
        s.Cycle(cmd::kBeginEraseProgram, s.cycles.eraseProgram, false);
        End(s);
      }
      for (int g = base; g < rowEnd; g += kGroupWords) {
        const auto first = row.begin() + (g - base);
        if (std::all_of(first, first + kGroupWords, [](auto w) { return w == kErasedValue; })) {
          continue;
        }
        for (int k = 0; k < kGroupWords; ++k) {
          pc.To(g + k);
          s.Command(cmd::kLoadDataProgram);
          s.Data(ToBitString(row[static_cast<std::size_t>(g - base + k)]));
        }
        ProgramLatches(s);
      }
    }

    pc.Restart();
    return s.Walk(count - 1, [&](int a) {
      if (!written[static_cast<std::size_t>(a / kRowWords)]) return true;
      s.Command(cmd::kReadDataProgram);
      return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
    });
  }

  // Begin Erase only erases a byte here: a byte that needs a bit set is erased, then every
  // changed byte is programmed on its own.
  int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const override {
    return s.Walk(image.EepromEnd, [&](int i) {
      show(i);
      const auto want =
          static_cast<std::uint16_t>(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
      s.Command(cmd::kReadDataData);
      const std::uint16_t have = WordOf(s.Read()) & 0xFF;
      if (have == want) return true;
      if ((have & want) != want) {
        s.Command(cmd::kLoadDataData);
        s.Data(ToBitString(0xFF));
        s.Cycle(cmd::kBeginEraseProgram, s.cycles.eraseProgram, false);
        End(s);
      }
      if (want != 0xFF) {
        s.Command(cmd::kLoadDataData);
        s.Data(ToBitString(want));
        ProgramLatches(s);
      }
      s.Command(cmd::kReadDataData);
      return (WordOf(s.Read()) & 0xFF) == want;
    });
  }

  // The IDs are one group: erased first when a bit must go back to 1. The configuration words
  // take 0s and 1s alike from a programming-only cycle and need no erase; each is only written
  // with the counter on its own address, when it differs or after the IDs' erase, which the
  // document's flow always follows with both words.
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    const FamilyDescriptor& family = *s.model->family;
    s.GoToConfig(kErasedWord, 0);
    bool changes = false;
    bool erase = false;
    for (std::size_t j = 0; j < 4; ++j) {
      changes = changes || have[j] != want[j];
      erase = erase || (have[j] & want[j]) != want[j];
    }
    if (erase) {
      s.Command(cmd::kLoadDataProgram);
      s.Data(kErasedWord);
      s.Cycle(cmd::kBeginEraseProgram, s.cycles.eraseProgram, false);
      End(s);
    }
    for (std::size_t j = 0; j < 4; ++j) {
      if (changes) {
        s.Command(cmd::kLoadDataProgram);
        s.Data(ToBitString(erase || have[j] != want[j] ? want[j] : kErasedValue));
      }
      if (j < 3) s.Increment();
    }
    if (changes) ProgramLatches(s);
    const int first = family.FirstConfigWord();
    int at = family.configBase + 3;
    for (int address = first; address < first + family.configWords; ++address) {
      const std::size_t j = family.ConfigIndex(address);
      const std::uint16_t implemented = family.ConfigMaskAt(address);
      for (; at < address; ++at) s.Increment();
      if (erase || (have[j] & implemented) != (want[j] & implemented)) {
        s.Command(cmd::kLoadDataProgram);
        s.Data(ToBitString(want[j]));
        ProgramLatches(s);
      }
      if (atConfigWord) atConfigWord(address);
    }
  }

  // Chip Erase from configuration memory: the programming document's text only promises the
  // data memory and the IDs with the counter there.
  void Erase(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kChipErase, s.cycles.bulkErase);
  }

 private:
  static std::chrono::microseconds Erasing(const CycleTimes& t) {
    return t.eraseProgram + t.discharge;
  }
  static std::chrono::microseconds Writing(const CycleTimes& t) {
    return t.rowProgramOnly + t.discharge;
  }

  // End Programming closes the open cycle and sets the latches back to all ones.
  static void End(Session& s) { s.Cycle(cmd::kEndProgramming, s.cycles.discharge); }

  // No yield point between the cycle and its End Programming: an abort waits for both.
  static void ProgramLatches(Session& s) {
    s.Cycle(cmd::kBeginProgramOnly, s.cycles.rowProgramOnly, false);
    End(s);
  }
};

const F81x kF81x;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS39607 (PIC16F87/88) and DS39603 (PIC16F818/819) with the later revisions other
// programmers quote: Begin Erase of a row or a data byte 1 ms (here 3 ms), programming only
// 1 ms (2 ms), bulk erase 2 or 10 ms and Chip Erase 8 or 10 ms (15 ms for either); no wait
// after End Programming is published, the 100 us are a peer's. Begin Erase and programming
// only are ended by End Programming.
constexpr CycleTimes k16F81X{.eraseProgram = milliseconds(3),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(15),
                             .rowProgramOnly = milliseconds(2),
                             .discharge = microseconds(100)};

// Bit 13 protects all program memory, bit 8 the data EEPROM; every bit of the word at 0x2007
// is implemented. The 16F87/88's second word, at 0x2008, stores bits 1 and 0.
extern const FamilyDescriptor kFamily16F88{.algorithm = detail::kF81x,
                                           .protection = {0x2100, 0x2100},
                                           .configMask = 0x3FFF,
                                           .layout = &kLayout16F88,
                                           .configWords = 2,
                                           .config2Mask = 0x0003,
                                           .name = "16F81X",
                                           .vddRange = "4,5-5,5 V",
                                           .cycles = k16F81X};
extern const FamilyDescriptor kFamily16F818{.algorithm = detail::kF81x,
                                            .protection = {0x2100, 0x2100},
                                            .configMask = 0x3FFF,
                                            .layout = &kLayout16F818,
                                            .name = "16F81X",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k16F81X};
extern const FamilyDescriptor kFamily16F819{.algorithm = detail::kF81x,
                                            .protection = {0x2100, 0x2100},
                                            .configMask = 0x3FFF,
                                            .layout = &kLayout16F819,
                                            .name = "16F81X",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k16F81X};

void RegisterFamilies_f81x(FamilyAdder add) {
  add("16F88", kFamily16F88);
  add("16F818", kFamily16F818);
  add("16F819", kFamily16F819);
}

}  // namespace daxwel
