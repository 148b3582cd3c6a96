// The 16F627/628 without A: Begin Erase/Programming (001000) erases a word before it writes
// it, Begin Programming Only (011000) writes an erased one; both time themselves and need no
// End Programming. The bulk erases are armed by their command and run by 001000, and do
// nothing on a protected part. The configuration word only loses bits: the one way to set
// them again, and to lift code protection, is Bulk Erase Setup1/Setup2 at 0x2007, which
// also erases program and data memory.
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel {
extern const ConfigLayout kLayout16F627;
extern const ConfigLayout kLayout16F628;
}  // namespace daxwel

namespace daxwel::detail {

namespace {

constexpr std::uint16_t kImplementedConfig = 0x3DFF;  // bit 9 is not implemented
constexpr std::uint16_t kMclre = 0x0020;
constexpr std::uint16_t kOscillator = 0x0013;  // FOSC2:0 in bits 4, 1 and 0
constexpr std::uint16_t kInternalOscillator = 0x0010;
// Load Configuration's data word before the Setup1/Setup2 sequence. The document prints
// 0x0000, which every other programmer calls a misprint and replaces by 0x3FFF: a latch of
// zeros programmed into the configuration word would leave the part fully protected, a latch
// of ones cannot.
constexpr std::string_view kCpDisableLoadWord = kErasedWord;
// Tera + Tprog: 5 + 8 ms at most.
constexpr std::chrono::milliseconds kCpDisableTime{20};
constexpr std::uint8_t kErasedByte = 0xFF;

class F627 final : public FamilyAlgorithm {
 public:
  bool EntersVppFirst() const override { return true; }
  bool ChecksDeviceId() const override { return true; }

  bool LocksReentry(std::uint16_t config) const override {
    return (config & kMclre) == 0 && (config & (kOscillator & ~1)) == kInternalOscillator;
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if (!LocksReentry(config)) return {};
    return "La configuración usa el oscilador interno con MCLR deshabilitado (MCLRE = 0)\r\r"
           "Así el PIC solo vuelve a entrar en modo de programación con VPP aplicada antes que "
           "VDD. Un programador que mantiene VDD conectado ya no podrá reprogramarlo.\r\r"
           "                 ¿ Desea continuar ?";
  }

  std::string NoAnswerHint() const override {
    return "\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, solo entra "
           "en modo de programación con un programador que aplique VPP antes que VDD.\r"
           "Con el PIC borrado (LVP habilitado) mantenga RB4 (PGM, pata 10) en 0 V";
  }

  // 001000 rewrites any word; an erased one takes the shorter programming-only cycle.
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    return have == kErasedValue ? ErasedCost(t, want) : t.eraseProgram;
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    return want == kErasedValue ? std::chrono::microseconds(0) : t.programOnly;
  }

  // An ID is erased by its own 001000; the configuration word only ever loses bits.
  bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                             std::uint16_t implemented) const override {
    return address < 0x2007 || (want & ~have & implemented) == 0;
  }

  // The full erase, with the data memory read first and written back: a program pass keeps the
  // bytes the file leaves out.
  void EraseProgramMemory(Session& s) const override {
    const int size = s.model->eepromBytes;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), kErasedByte);
    s.Walk(size - 1, [&](int i) {
      s.Command(cmd::kReadDataData);
      bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(WordOf(s.Read()) & 0xFF);
      return true;
    });
    s.Reset();
    s.Enter();
    // No stop between the erase and the write-back: the bytes are only in memory.
    s.HoldYieldPoints(true);
    Erase(s);
    s.Reset();
    s.Enter();
    s.Walk(size - 1, [&](int i) {
      const std::uint8_t byte = bytes[static_cast<std::size_t>(i)];
      s.Command(cmd::kReadDataData);
      if ((WordOf(s.Read()) & 0xFF) == byte) return true;
      s.Command(cmd::kLoadDataData);
      s.Data(ToBitString(byte));
      s.Program();
      return true;
    });
    s.HoldYieldPoints(false);
    s.Reset();
    s.Enter();
  }
  bool EraseFirstClearsConfig() const override { return true; }

  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override {
    return WriteWordByWord(s, want, have, show, true);
  }

  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override;

  // The Setup1/Setup2 sequence, which takes protection, program and data memory and the
  // configuration word; then the data memory's and, from 0x2000, program memory's bulk
  // erases, for the data memory of an unprotected part and the IDs, which it may leave.
  void Erase(Session& s) const override {
    s.GoToConfig(kCpDisableLoadWord, 7);
    s.Command(cmd::kBulkEraseSetup1);
    s.Command(cmd::kBulkEraseSetup2);
    s.Cycle(cmd::kBeginEraseProgram, kCpDisableTime, false);
    s.Command(cmd::kBulkEraseSetup1);
    s.Command(cmd::kBulkEraseSetup2);
    s.Command(cmd::kLoadDataData);
    s.Data(ToBitString(kErasedByte));
    s.Command(cmd::kBulkEraseData);
    s.EraseCycle();
    s.Reset();
    s.Enter();
    s.GoToConfig(kErasedWord, 0);
    s.Command(cmd::kLoadDataProgram);
    s.Data(kErasedWord);
    s.Command(cmd::kBulkEraseProgram);
    s.EraseCycle();
  }

  std::string CheckErased(Session& s) const override {
    const std::uint16_t config = WordOf(s.ReadConfigWord());
    s.Reset();
    s.Enter();
    if ((config & kImplementedConfig) == kImplementedConfig) return {};
    return "La palabra de configuración no pudo ser borrada (quedó en 0x" + AddressText(config) +
           ")";
  }
};

// The IDs that differ, each erased and written by 001000; the configuration word, when it
// differs, by 011000, which only clears bits (the plan erased first for any other change).
void F627::WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                             const ShowAddress& atConfigWord) const {
  const FamilyDescriptor& family = *s.model->family;
  s.GoToConfig(kErasedWord, 0);
  int at = family.configBase;
  for (int address : WrittenConfigAddresses(family)) {
    for (; at < address; ++at) s.Increment();
    const auto j = family.ConfigIndex(address);
    const bool config = address >= family.FirstConfigWord();
    const std::uint16_t mask = config ? family.ConfigMaskAt(address) : kErasedValue;
    if ((have[j] & mask) != (want[j] & mask)) {
      s.Command(cmd::kLoadDataProgram);
      s.Data(ToBitString(want[j]));
      if (config) {
        s.ProgramOnly();
      } else {
        s.Program();
      }
    }
    if (config && atConfigWord) atConfigWord(address);
    if (address <= 0x2003) {
      s.Increment();
      ++at;
    }
  }
}

const F627 kF627;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::milliseconds;

// Microchip DS30034D (PIC16F62X EEPROM memory programming), Table 4-1: Tera at most 5 ms and
// Tprog at most 8 ms, so 001000 (erase and program) 13 ms; 15, 10 and 10 ms here.
constexpr CycleTimes k16F627{.eraseProgram = milliseconds(15),
                             .programOnly = milliseconds(10),
                             .bulkErase = milliseconds(10)};

// CP1:CP0 (13:12 and 11:10, written alike) and CPD (8): a part with any of them is erased
// before it is programmed. The 1K part takes 10 as no protection; it is refused all the same.
constexpr FamilyDescriptor Family627(const ConfigLayout* layout) {
  return {.algorithm = detail::kF627,
          .protection = {0x3D00, 0x3D00},
          .configMask = detail::kImplementedConfig,
          .layout = layout,
          .name = "16F627",
          .vddRange = "4,5-5,5 V",
          .cycles = k16F627};
}
extern const FamilyDescriptor kFamily16F627 = Family627(&kLayout16F627);
extern const FamilyDescriptor kFamily16F628 = Family627(&kLayout16F628);

void RegisterFamilies_f627(FamilyAdder add) {
  add("16F627", kFamily16F627);
  add("16F628", kFamily16F628);
}

}  // namespace daxwel
