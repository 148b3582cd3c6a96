#include <algorithm>

#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/outcome.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"

namespace daxwel {

namespace {

// A part that keeps factory words must still hold them (or the values given by hand), and a
// band gap that reads erased where the store keeps this chip's own is no match either.
detail::Outcome CheckFactoryBits(detail::Session& s, detail::FactoryBits& factory) {
  factory = detail::ReadFactoryBits(s);
  for (detail::FactoryBits::Entry& e : factory.entries) {
    const PreservedBits& p = *e.where;
    const auto given = s.op.FactoryValue(p.name);
    const std::uint16_t expected = given ? p.InPlace(*given) : e.value;
    if (e.value != expected || !p.Plausible(e.value)) {
      std::string text = "Error al verificar " + std::string(p.name) + "\rDirección 0x" +
                         detail::AddressText(p.address) + ": se leyó 0x" +
                         detail::AddressText(e.value) + ", se esperaba ";
      text += given ? "0x" + detail::AddressText(expected) : std::string(p.shape);
      return detail::Outcome::Failed(text);
    }
  }
  const bool byHand = std::any_of(factory.entries.begin(), factory.entries.end(),
                                  [&](const auto& e) { return s.op.FactoryValue(e.where->name); });
  if (const std::string differs = byHand ? "" : detail::StoredDifference(s.op, factory);
      !differs.empty()) {
    return detail::Outcome::Failed("Error al verificar la calibración de fábrica\r" + differs);
  }
  return detail::Outcome::Ok();
}

// Failed with the first address that differs, or ok.
detail::Outcome SameUpTo(int failed, const char* memory) {
  if (failed < 0) return detail::Outcome::Ok();
  return detail::Outcome::Failed("Error al verificar " + std::string(memory) + "\rDirección 0x" +
                                 detail::AddressText(failed));
}

// Program memory and the data EEPROM the file gives, each compared word by word.
detail::Outcome CheckMemories(detail::Session& s, const HexImage& image, const MemoryScope& scope) {
  const FamilyDescriptor& family = *s.model->family;
  const int programCount = scope.program ? image.ProgramEnd + 1 : 0;
  const bool data = image.HasEeprom && scope.eeprom;
  const int total = programCount + (data ? image.EepromEnd + 1 : 0);

  s.Reset();
  s.Enter();
  const int programFailed = s.Walk(programCount - 1, [&](int a) {
    s.op.ShowProgress();
    s.op.SetProgressFraction(a, total);
    s.Progress("Verificando Program Memory:  0x" + detail::AddressText(a));
    s.Command(cmd::kReadDataProgram);
    // Bits the part keeps from the factory are not the file's to decide.
    const std::uint16_t bits = family.WritableBits(a);
    return (detail::WordOf(s.Read()) & bits) ==
           (image.ProgramWords[static_cast<std::size_t>(a)] & bits);
  });
  if (detail::Outcome o = SameUpTo(programFailed, "Program Memory"); !o.IsOk()) return o;
  s.Reset();

  if (data) {
    s.Enter();
    const int dataFailed = s.Walk(image.EepromEnd, [&](int i) {
      s.op.SetProgressFraction(programCount + i, total);
      s.Progress("Verificando Data Memory:  0x" + detail::AddressText(i));
      s.Command(cmd::kReadDataData);
      return detail::SameDataByte(s.Read(),
                                  ToBitString(image.EepromWords[static_cast<std::size_t>(i)]));
    });
    if (detail::Outcome o = SameUpTo(dataFailed, "Data Memory"); !o.IsOk()) return o;
    s.Reset();
  }
  return detail::Outcome::Ok();
}

// The IDs the file carries, and the configuration words that programming would choose (a
// second one only where the file or the dialog gives it).
detail::Outcome CheckConfiguration(detail::Session& s, const HexImage& image,
                                   const detail::FactoryBits& factory, const MemoryScope& scope) {
  if (!scope.ids && !scope.config) return detail::Outcome::Ok();
  const FamilyDescriptor& family = *s.model->family;
  detail::ConfigMemoryWant want;
  for (std::size_t j = 0; j < 4; ++j) {
    if (image.HasId()[j] && scope.ids)
      want.words[j] = detail::WordOf(detail::IdWordBits(image.IdWords()[j], family.idBits));
  }
  const auto config = scope.config ? ChooseConfigWord(FileConfigWords(image, family.configWords),
                                                      s.op.ConfigSource())
                                   : std::nullopt;
  if (config) {
    for (int k = 0; k < family.configWords && config->word.size() >= 14 * (k + 1u); ++k) {
      want.words[detail::kConfigWordIndex + static_cast<std::size_t>(k)] =
          factory.Apply(family.FirstConfigWord() + k, ConfigWordAt(config->word, k));
    }
  }
  if (detail::Outcome o = detail::CheckIdsAndConfig(s, want, "verificar"); !o.IsOk()) return o;
  s.Reset();
  return detail::Outcome::Ok();
}

std::string Run(const std::string& path, Link& link, Operator& op) {
  detail::Session s(link, op);
  LinesOff(link);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;

  // Asked before the file is read.
  if (!op.Confirm("Verificar", "Microcontrolador: PIC " + std::string(model->modelName) +
                                   "\r\rPrograma: " + path)) {
    return result::kNone;
  }

  const HexLoadResult loaded = LoadHexImage(path, ImageLimitsOf(*model));
  if (loaded.status != HexStatus::Ok) {
    return s.FailOnFile(loaded, HexWording::Verification, result::kVerifyFailure);
  }
  const HexImage& image = loaded.image;

  if (detail::Outcome o = detail::StartOnModel(s); !o.IsOk()) return o.Text();
  if (model->family->protection.RefusesWrites(detail::WordOf(s.ReadConfigWord()))) {
    return s.Finish("Code Protect activado !!!",
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la verificación",
                    result::kCpError);
  }

  // The factory's words live in program memory and the configuration words.
  const MemoryScope scope = op.Scope();
  detail::FactoryBits factory;
  if (scope.program || scope.config) {
    if (detail::Outcome o = CheckFactoryBits(s, factory); !o.IsOk()) {
      return o.End(s, result::kVerifyMismatch);
    }
  }
  if (detail::Outcome o = CheckMemories(s, image, scope); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  if (detail::Outcome o = CheckConfiguration(s, image, factory, scope); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  const int total = image.ProgramEnd + 1 + (image.HasEeprom ? image.EepromEnd + 1 : 0);
  op.SetProgressFraction(total, total);
  return s.Finish("Fin", "** PIC Verificado OK **" + HexNotesText(loaded), result::kOk);
}

}  // namespace

std::string VerifyDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kVerifyFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
