#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/operations.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"

namespace daxwel {

namespace {

constexpr const char* kCpTitle = "Code Protect activado !!!";

std::string ResultFor(HexStatus status) {
  switch (status) {
    case HexStatus::FormatError:
      return result::kFormatError;
    case HexStatus::ProgramSizeError:
    case HexStatus::EepromSizeError:
      return result::kSizeError;
    default:
      return result::kProgramFailure;
  }
}

std::string Run(const std::string& path, Link& link, Operator& op) {
  detail::Session s(link, op);
  LinesOff(link);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;

  const HexLoadResult loaded = LoadHexImage(path, {model->programWords, model->eepromBytes});
  if (loaded.status != HexStatus::Ok) {
    op.FileFailed();
    const auto message = HexLoadMessage(loaded, HexWording::Programming);
    return s.Finish(message->title, message->text, ResultFor(loaded.status));
  }
  const HexImage& image = loaded.image;

  const auto config = ChooseConfigWord(image.FileConfig, op.ConfigSource());
  if (!config) {
    const HexMessage message = ConfigFailureMessage();
    return s.Finish(message.title, message.text, result::kConfigError);
  }

  const std::string confirmation = "Microcontrolador: PIC " + std::string(model->modelName) +
                                   "\r\rPrograma: " + path +
                                   "\r\r          **** Configuración ****\rTipo: " + config->label +
                                   "\r" + Config_Detail(config->word, model->index);
  if (!op.Confirm("Confirmar", confirmation)) return result::kNone;

  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*model);
  if (const std::string warning = algorithm.ConfigWarning(config->word);
      !warning.empty() && !op.Confirm("Confirmar", warning)) {
    return result::kNone;
  }

  // Code-protection test: a protected part reads zeros and ignores writes.
  s.Reset();
  s.Enter();
  if (detail::ChecksAttachedPart(s, *model)) {
    if (const std::string wrong = detail::CheckAttachedPart(s, *model); !wrong.empty()) {
      return s.Finish("Error", wrong, result::kNone);
    }
  }
  s.IdentifyPart();
  if (algorithm.CodeProtected(s.ReadConfigWord())) {
    return s.Finish(kCpTitle,
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la programación\r\r"
                    "Para eliminar el CP primero efectuar un BORRADO",
                    result::kCpError);
  }

  const int programCount = image.ProgramEnd + 1;
  const int eepromCount = image.HasEeprom ? image.EepromEnd + 1 : 0;
  const int total = programCount + eepromCount + 1;

  // Program memory: read first, write and read back only the words that differ.
  s.Reset();
  s.Enter();
  if (const std::string problem = algorithm.BeforeWriting(s, image, config->word);
      !problem.empty()) {
    return s.Finish("Error", problem, result::kProgramFailure);
  }
  const int programFailed = algorithm.WriteProgram(s, image, [&](int a) {
    op.ShowProgress();
    op.SetProgressFraction(a, total);
    s.Progress("Programando Program Memory:  0x" + detail::AddressText(a));
  });
  if (programFailed >= 0) {
    return s.Finish(
        "Error",
        "Error al programar Program Memory\rDirección 0x" + detail::AddressText(programFailed),
        result::kVerifyMismatch);
  }
  s.Reset();

  if (image.HasEeprom) {
    s.Enter();
    const int dataFailed = algorithm.WriteData(s, image, [&](int i) {
      op.SetProgressFraction(programCount + i, total);
      s.Progress("Programando Data Memory:  0x" + detail::AddressText(i));
    });
    if (dataFailed >= 0) {
      return s.Finish(
          "Error", "Error al programar Data Memory\rDirección 0x" + detail::AddressText(dataFailed),
          result::kVerifyMismatch);
    }
    s.Reset();
  }

  // ID locations (only their low four bits are meant to be used) and the configuration word.
  s.Enter();
  op.SetProgressFraction(total - 1, total);
  s.Progress("Programando Configuration Word...");
  algorithm.WriteIdsAndConfig(s, image, config->word);

  s.Reset();
  op.SetProgressFraction(total, total);
  return s.Finish("Fin", "Programación finalizada", result::kOk);
}

}  // namespace

std::string ProgramDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kProgramFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
