// The 16F627A/628A/648A: Begin Programming (001000) programs a word without erasing it, so
// program memory, the IDs and the configuration word are only written where they read
// erased; the bulk erases time themselves (no 001000 after them).
#include <algorithm>
#include <cstdio>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

// The implemented bits of the configuration word; the others may read either way.
constexpr std::uint16_t kImplementedConfig = 0x21FF;
constexpr std::uint16_t kMclre = 0x0020;
// FOSC2:0 in bits 4, 1 and 0; 100 and 101 are the internal oscillator, which needs no clock
// to run the part's own code before VPP comes.
constexpr std::uint16_t kOscillator = 0x0013;
constexpr std::uint16_t kInternalOscillator = 0x0010;
// DS41196 as other programmers quote it: 6 ms to write a data byte; 10 ms covers it. A byte
// write erases the byte first, as the same vendor's programmer treats it.
constexpr std::chrono::milliseconds kDataWrite{10};

class F62xa final : public WritesWithoutErase {
 public:
  bool LocksReentry(std::uint16_t config) const override {
    return (config & kMclre) == 0 && (config & (kOscillator & ~1)) == kInternalOscillator;
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if ((config & kMclre) != 0) return {};
    return "La configuración deshabilita MCLR (MCLRE = 0)\r\r"
           "Este programador mantiene VDD conectado y aplica VPP después. Con MCLR "
           "deshabilitado, sobre todo con el oscilador interno, el PIC puede no volver a "
           "entrar en modo de programación en este programador; solo uno que aplique VPP "
           "antes que VDD podría recuperarlo.\r\r"
           "                 ¿ Desea continuar ?";
  }

  bool EntersVppFirst() const override { return true; }
  bool ChecksDeviceId() const override { return true; }

  std::string NoAnswerHint() const override {
    return "\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, puede "
           "negarse a entrar en modo de programación en este programador, que mantiene VDD "
           "conectado: hará falta uno que aplique VPP antes que VDD.\r"
           "Con el PIC borrado (LVP habilitado) mantenga RB4 (PGM, pata 10) en 0 V";
  }

  void EraseProgramMemory(Session& s) const override {
    WaitCycle(s.link, s.cycles.beforeErase);
    BulkEraseFromConfigMemory(s);
    s.Reset();
    s.Enter();
  }

  std::chrono::microseconds DataWriteTime(const CycleTimes& t) const override {
    (void)t;
    return kDataWrite;
  }

  // A byte write is taken to erase its byte; should a part not set a bit that way, the data
  // memory is bulk-erased with every byte the file leaves out read first and written back.
  int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const override {
    if (FamilyAlgorithm::WriteData(s, image, show) < 0) return -1;
    const int size = s.model->eepromBytes;
    std::vector<std::uint8_t> keep(static_cast<std::size_t>(size));
    s.Reset();
    s.Enter();
    s.Walk(size - 1, [&](int i) {
      s.Command(cmd::kReadDataData);
      keep[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(WordOf(s.Read()) & 0xFF);
      return true;
    });
    for (int i = 0; i <= image.EepromEnd; ++i) {
      keep[static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
    }
    s.Reset();
    s.Enter();
    s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
    s.Reset();
    s.Enter();
    return s.Walk(size - 1, [&](int i) {
      show(std::min(i, static_cast<int>(image.EepromEnd)));
      const std::uint8_t byte = keep[static_cast<std::size_t>(i)];
      const std::string want = ToBitString(byte);
      // An erased byte is not written, but read like the others: the erase must have taken.
      if (byte != 0xFF) {
        s.Command(cmd::kLoadDataData);
        s.Data(want);
        s.Cycle(cmd::kBeginEraseProgram, kDataWrite);
      }
      s.Command(cmd::kReadDataData);
      return SameDataByte(s.Read(), want);
    });
  }

  void Erase(Session& s) const override {
    WaitCycle(s.link, s.cycles.beforeErase);
    BulkEraseFromConfigMemory(s);
    s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
  }

  // Some parts are reported to keep their configuration word through a bulk erase.
  std::string CheckErased(Session& s) const override {
    const int config = FromBitString(s.ReadConfigWord()) & 0x3FFF;
    s.Reset();
    s.Enter();
    if ((config & kImplementedConfig) == kImplementedConfig) return {};
    char text[96];
    std::snprintf(text, sizeof text,
                  "La palabra de configuración no pudo ser borrada (quedó en 0x%04X)", config);
    return text;
  }

 private:
  // With the counter in configuration memory Bulk Erase Program Memory also clears the ID
  // locations and the configuration word, protected or not.
  static void BulkEraseFromConfigMemory(Session& s) {
    s.GoToConfig(kErasedWord, 0);
    s.Command(cmd::kLoadDataProgram);
    s.Data(kErasedWord);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
  }
};

const F62xa kF62xa;

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

// Bit 13 protects all program memory, bit 8 the data EEPROM; bit 4 is an oscillator bit.
using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS41196 (PIC16F627A/628A/648A EEPROM memory programming), as other programmers
// quote its revisions: 2.5 or 4 ms to program a word and 6 ms per bulk erase; these waits
// cover all of them with room to spare. 001000 programs without erasing on these parts.
constexpr CycleTimes k16F62XA{.eraseProgram = milliseconds(5),
                              .programOnly = milliseconds(0),
                              .bulkErase = milliseconds(10),
                              .beforeErase = milliseconds(10)};
extern const FamilyDescriptor kFamily16F62XA{.algorithm = detail::kF62xa,
                                             .protection = {0x2100, 0x2100},
                                             .configMask = detail::kImplementedConfig,
                                             .layout = &kLayout16F62XA,
                                             .name = "16F62XA",
                                             .vddRange = "4,5-5,5 V",
                                             .cycles = k16F62XA};

void RegisterFamilies_f62xa(FamilyAdder add) { add("16F62XA", kFamily16F62XA); }

}  // namespace daxwel
