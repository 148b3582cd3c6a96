// The 16F627A/628A/648A: Begin Programming (001000) programs a word without erasing it, so
// it can only clear bits; the bulk erases time themselves (no 001000 after them). A part that
// needs a bit set again is bulk-erased first and written whole.
#include <cstdio>

#include "device/algorithm.h"

namespace daxwel::detail {

namespace {

// The implemented bits of the configuration word; the others may read 0.
constexpr int kImplementedConfig = 0x21FF;
// MCLRE, bit 5, is character 9 of the word.
constexpr std::size_t kMclre = 8;

bool SameWord(std::string_view read, std::string_view want) { return read == want; }

std::string IdWord(std::int16_t id) { return "1111111000" + ToBitString(id).substr(10); }

class F62xa final : public FamilyAlgorithm {
 public:
  bool CodeProtected(std::string_view config) const override {
    return ProtectedByBits13And8(config);
  }

  std::string ConfigWarning(std::string_view config) const override {
    if (config.size() != 14 || config[kMclre] != '0') return {};
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

  // The ID locations and the configuration word are only erased together with program
  // memory, so when one of them needs a bit set, everything is erased before the first word.
  std::string BeforeWriting(Session& s, const HexImage& image,
                            std::string_view config) const override {
    s.GoToConfig(kErasedWord, 0);
    bool clearsOnly = true;
    for (std::int16_t id : image.IdWords) {
      s.Command(cmd::kReadDataProgram);
      clearsOnly = clearsOnly && OnlyClearsBits(s.Read(), IdWord(id));
      s.Increment();
    }
    for (int i = 0; i < 3; ++i) s.Increment();
    // Unimplemented bits may read 0 whatever was written: only the others count.
    s.Command(cmd::kReadDataProgram);
    const int was = FromBitString(s.Read()) | ~kImplementedConfig;
    clearsOnly = clearsOnly && OnlyClearsBits(ToBitString(was & 0x3FFF), config);
    s.Reset();
    s.Enter();
    if (!clearsOnly) EraseProgramMemory(s);
    return {};
  }

  int WriteProgram(Session& s, const HexImage& image, const ShowAddress& show) const override {
    return WriteAll(
        s, image.ProgramEnd, show,
        [&](int a) { return ToBitString(image.ProgramWords[static_cast<std::size_t>(a)]); }, false);
  }

  int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const override {
    return WriteAll(
        s, image.EepromEnd, show,
        [&](int i) { return ToBitString(image.EepromWords[static_cast<std::size_t>(i)]); }, true);
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

  // Program memory, IDs and configuration word erased; the EEPROM is kept. Leaves a fresh
  // entry at address 0.
  static void EraseProgramMemory(Session& s) {
    WaitCycle(s.link, s.cycles.beforeErase);
    BulkEraseFromConfigMemory(s);
    s.Reset();
    s.Enter();
  }

  // One memory pass: each differing word is programmed when that only clears bits; at the
  // first word that needs a bit set the memory is bulk-erased and the pass starts again, now
  // over erased memory.
  template <typename Want>
  int WriteAll(Session& s, int last, const ShowAddress& show, Want&& want, bool data) const {
    const std::string_view read = data ? cmd::kReadDataData : cmd::kReadDataProgram;
    const std::string_view load = data ? cmd::kLoadDataData : cmd::kLoadDataProgram;
    const auto wait = data ? s.cycles.dataWrite : s.cycles.eraseProgram;
    const auto same = data ? SameDataByte : SameWord;
    for (int pass = 0;; ++pass) {
      bool needsErase = false;
      const int failed = s.Walk(last, [&](int a) {
        show(a);
        const std::string target = want(a);
        s.Command(read);
        const std::string before = s.Read();
        if (same(before, target)) return true;
        const std::string_view mask = data ? std::string_view(target).substr(6) : target;
        if (!OnlyClearsBits(data ? std::string_view(before).substr(6) : before, mask)) {
          needsErase = pass == 0;
          return false;
        }
        s.Command(load);
        s.Data(target);
        s.Cycle(cmd::kBeginEraseProgram, wait);
        s.Command(read);
        return same(s.Read(), target);
      });
      if (!needsErase) return failed;
      s.Reset();
      s.Enter();
      if (data) {
        s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
        s.Reset();
        s.Enter();
      } else {
        EraseProgramMemory(s);
      }
    }
  }
};

}  // namespace

const FamilyAlgorithm& F62xaAlgorithm() {
  static const F62xa algorithm;
  return algorithm;
}

}  // namespace daxwel::detail
