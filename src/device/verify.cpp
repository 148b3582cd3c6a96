#include <algorithm>

#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"

namespace daxwel {

namespace {

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

  if (auto refused = detail::StartOnModel(s)) return *refused;
  if (model->family->protection.RefusesWrites(detail::WordOf(s.ReadConfigWord()))) {
    return s.Finish("Code Protect activado !!!",
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la verificación",
                    result::kCpError);
  }

  // A part that keeps factory words must still hold them (or the values given by hand).
  detail::FactoryBits factory = detail::ReadFactoryBits(s);
  for (detail::FactoryBits::Entry& e : factory.entries) {
    const PreservedBits& p = *e.where;
    const auto given = op.FactoryValue(p.name);
    const std::uint16_t expected = given ? p.InPlace(*given) : e.value;
    if (e.value != expected || !p.Plausible(e.value)) {
      std::string text = "Error al verificar " + std::string(p.name) + "\rDirección 0x" +
                         detail::AddressText(p.address) + ": se leyó 0x" +
                         detail::AddressText(e.value) + ", se esperaba ";
      text += given ? "0x" + detail::AddressText(expected) : std::string(p.shape);
      return s.Finish("Error", text, result::kVerifyMismatch);
    }
  }

  // A band gap that reads erased where the store keeps this chip's own is no match either.
  const bool byHand = std::any_of(factory.entries.begin(), factory.entries.end(),
                                  [&](const auto& e) { return op.FactoryValue(e.where->name); });
  if (const std::string differs = byHand ? "" : detail::StoredDifference(op, factory);
      !differs.empty()) {
    return s.Finish("Error", "Error al verificar la calibración de fábrica\r" + differs,
                    result::kVerifyMismatch);
  }

  const int programCount = image.ProgramEnd + 1;
  const int total = programCount + (image.HasEeprom ? image.EepromEnd + 1 : 0);

  s.Reset();
  s.Enter();
  const int programFailed = s.Walk(image.ProgramEnd, [&](int a) {
    op.ShowProgress();
    op.SetProgressFraction(a, total);
    s.Progress("Verificando Program Memory:  0x" + detail::AddressText(a));
    s.Command(cmd::kReadDataProgram);
    // Bits the part keeps from the factory are not the file's to decide.
    const std::uint16_t bits = model->family->WritableBits(a);
    return (detail::WordOf(s.Read()) & bits) ==
           (image.ProgramWords[static_cast<std::size_t>(a)] & bits);
  });
  if (programFailed >= 0) {
    return s.Finish(
        "Error",
        "Error al verificar Program Memory\rDirección 0x" + detail::AddressText(programFailed),
        result::kVerifyMismatch);
  }
  s.Reset();

  if (image.HasEeprom) {
    s.Enter();
    const int dataFailed = s.Walk(image.EepromEnd, [&](int i) {
      op.SetProgressFraction(programCount + i, total);
      s.Progress("Verificando Data Memory:  0x" + detail::AddressText(i));
      s.Command(cmd::kReadDataData);
      return detail::SameDataByte(s.Read(),
                                  ToBitString(image.EepromWords[static_cast<std::size_t>(i)]));
    });
    if (dataFailed >= 0) {
      return s.Finish(
          "Error", "Error al verificar Data Memory\rDirección 0x" + detail::AddressText(dataFailed),
          result::kVerifyMismatch);
    }
    s.Reset();
  }

  // The IDs the file carries, and the configuration words that programming would choose (a
  // second one only where the file or the dialog gives it).
  const FamilyDescriptor& family = *model->family;
  detail::ConfigMemoryWant want;
  for (std::size_t j = 0; j < 4; ++j) {
    if (image.HasId()[j])
      want.words[j] = detail::WordOf(detail::IdWordBits(image.IdWords()[j], family.idBits));
  }
  if (const auto config =
          ChooseConfigWord(FileConfigWords(image, family.configWords), op.ConfigSource())) {
    for (int k = 0; k < family.configWords && config->word.size() >= 14 * (k + 1u); ++k) {
      want.words[detail::kConfigWordIndex + static_cast<std::size_t>(k)] =
          factory.Apply(0x2007 + k, ConfigWordAt(config->word, k));
    }
  }
  if (const std::string wrong = detail::CheckIdsAndConfig(s, want, "verificar"); !wrong.empty()) {
    return s.Finish("Error", wrong, result::kVerifyMismatch);
  }
  s.Reset();

  op.SetProgressFraction(total, total);
  return s.Finish("Fin", "** PIC Verificado OK **" + HexNotesText(loaded), result::kOk);
}

}  // namespace

std::string VerifyDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kVerifyFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
