// The 12F629/675 and 16F630/676: one word per self-timed Begin Programming (001000), which
// does not erase program memory, IDs or the configuration word but erases a data byte before
// writing it. Each part leaves the factory with an OSCCAL RETLW at 0x3FF and band-gap bits
// 13:12 that the program-memory bulk erase destroys: the descriptor names them, and the
// operations read, check, keep and write them back.
#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

// Bits 11:9 are unimplemented (read 0); 13:12 are the band gap.
constexpr std::uint16_t kImplementedConfig = 0x31FF;
constexpr std::uint16_t kBandGap = 0x3000;
constexpr std::uint16_t kMclre = 0x0020;
constexpr std::uint16_t kOscillator = 0x0007;
// FOSC 100 and 101: the internal oscillator, which runs the part's code before VPP comes.
constexpr std::uint16_t kInternalOscillator = 0x0004;
// DS41191 gives a data byte at most 6 ms (erase and write); 10 ms covers it.
constexpr std::chrono::milliseconds kDataWrite{10};

class F675 final : public WritesWithoutErase {
 public:
  bool LocksReentry(std::uint16_t config) const override {
    return (config & kMclre) == 0 && (config & (kOscillator & ~1)) == kInternalOscillator;
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if (!LocksReentry(config)) return {};
    return "La configuración deshabilita MCLR (MCLRE = 0) con el oscilador interno\r\r"
           "Un programador que mantiene VDD conectado y aplica VPP después puede no volver a "
           "hacer entrar a este PIC en modo de programación: el PIC ya ejecuta su programa "
           "cuando llega VPP. Solo uno que conmute VDD (VPP antes que VDD) lo recupera con "
           "seguridad.\r\r"
           "                 ¿ Desea continuar ?";
  }

  bool EntersVppFirst() const override { return true; }
  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rEstos PIC se programan por GP1/RA1 (reloj, ICSPCLK), GP0/RA0 (datos, ICSPDAT) "
           "y GP3/RA3 (VPP): compruebe el cableado del zócalo (vea la ayuda).\r"
           "Si el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, puede negarse "
           "a entrar en modo de programación en un programador que mantiene VDD conectado";
  }

  // A write only clears bits, so the word must read erased. The configuration word's band-gap
  // bits are the exception: a new chip's read 0 where the factory cleared them, and they are
  // written as the chip holds them unless a value given by hand sets one, which needs the erase.
  bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                             std::uint16_t implemented) const override {
    const std::uint16_t factory = address == 0x2007 ? kBandGap : 0;
    const std::uint16_t userBits = implemented & ~factory;
    return (have & userBits) == userBits && (want & factory & ~have) == 0;
  }

  // Program memory, the IDs and the configuration word; the data EEPROM stays (it goes too
  // only when protected, and a protected part is not programmed).
  void EraseProgramMemory(Session& s) const override {
    BulkEraseFromConfigMemory(s);
    s.Reset();
    s.Enter();
  }

  std::chrono::microseconds DataWriteTime(const CycleTimes& t) const override {
    (void)t;
    return kDataWrite;
  }

  void Erase(Session& s) const override {
    BulkEraseFromConfigMemory(s);
    s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
  }

 private:
  // With the counter in configuration memory the program-memory bulk erase takes the IDs and
  // the configuration word with it.
  static void BulkEraseFromConfigMemory(Session& s) {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
  }
};

const F675 kF675;

// The OSCCAL RETLW and the band-gap bits, which no file may change.
constexpr PreservedBits kFactoryCalibration[] = {
    {0x3FF, 0x3FFF, "OSCCAL", 0x3C00, 0x3400, "una instrucción RETLW (0x34xx)", "osccal"},
    {.address = 0x2007, .mask = 0x3000, .name = "BG", .option = "bandgap"},
};

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

// CP (bit 7) protects program memory and CPD (bit 8) the data EEPROM; a part with either is
// erased before it is programmed.
using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS41191 (PIC12F629/675, PIC16F630/676 EEPROM memory programming): at most 2.5 ms
// to program a word and 8 ms per bulk erase; 5 and 10 ms, as working programmers wait.
constexpr CycleTimes k12F675{milliseconds(5), milliseconds(0), milliseconds(10)};

extern const FamilyDescriptor kFamily12F675{.algorithm = detail::kF675,
                                            .protection = {0x0180, 0x0180},
                                            .configMask = detail::kImplementedConfig,
                                            .layout = &kLayout12F675,
                                            .preserved = detail::kFactoryCalibration,
                                            .name = "12F675",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k12F675};

void RegisterFamilies_f675(FamilyAdder add) { add("12F675", kFamily12F675); }

}  // namespace daxwel
