#include "device/algorithm.h"
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

  const HexLoadResult loaded = LoadHexImage(path, {model->programWords, model->eepromBytes});
  if (loaded.status != HexStatus::Ok) {
    op.FileFailed();
    const auto message = HexLoadMessage(loaded, HexWording::Verification);
    op.HideProgress();
    op.Message(message->title, message->text);
    LinesOff(link);
    switch (loaded.status) {
      case HexStatus::FormatError:
        return result::kFormatError;
      case HexStatus::ProgramSizeError:
      case HexStatus::EepromSizeError:
        return result::kSizeError;
      default:
        return result::kVerifyFailure;
    }
  }
  const HexImage& image = loaded.image;

  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*model);
  s.Enter();
  if (detail::ChecksAttachedPart(s, *model)) {
    if (const std::string wrong = detail::CheckAttachedPart(s, *model); !wrong.empty()) {
      return s.Finish("Error", wrong, result::kNone);
    }
  }
  if (algorithm.CodeProtected(s.ReadConfigWord())) {
    return s.Finish("Code Protect activado !!!",
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la verificación",
                    result::kCpError);
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
    return s.Read() == ToBitString(image.ProgramWords[static_cast<std::size_t>(a)]);
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

  op.SetProgressFraction(total, total);
  return s.Finish("Fin", "** PIC Verificado OK **", result::kOk);
}

}  // namespace

std::string VerifyDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kVerifyFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
