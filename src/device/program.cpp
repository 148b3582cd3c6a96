#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/locked_config.h"
#include "device/operations.h"
#include "device/program_plan.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"

namespace daxwel {

namespace {

constexpr const char* kCpTitle = "Code Protect activado !!!";

// What the file asked for where the part keeps the factory's word, and what it got instead.
std::string FactoryNote(const HexImage& image, const detail::FactoryBits& factory) {
  std::string note;
  for (const detail::FactoryBits::Entry& e : factory.entries) {
    const int a = e.where->address;
    if (a > image.ProgramEnd || e.where->mask != detail::kErasedValue) continue;
    const auto word = static_cast<std::uint16_t>(image.ProgramWords[static_cast<std::size_t>(a)] &
                                                 detail::kErasedValue);
    if (word == detail::kErasedValue || word == e.value) continue;
    note += "\r\rNota: el archivo trae 0x" + detail::AddressText(word) + " en 0x" +
            detail::AddressText(a) + " (" + std::string(e.where->name) +
            "); se conservó el valor de fábrica 0x" + detail::AddressText(e.value);
  }
  return note;
}

// The ID locations and the configuration word last, then read back: a configuration write
// that did not take (the adapter lost, a word the part refused) must not end as a success.
// "" (programming mode left) or what differs (still in it, for the message).
std::string WriteIdsAndConfigChecked(detail::Session& s, const detail::ProgramPlan& plan,
                                     const detail::ConfigMemoryWant& written) {
  s.Enter();
  s.Progress("Programando Configuration Word...");
  s.model->family->algorithm.WriteIdsAndConfig(s, plan.wantConfig, plan.haveConfig);
  std::string wrong = detail::CheckIdsAndConfig(s, written, "programar");
  if (wrong.empty()) s.Reset();
  return wrong;
}

std::string Run(const std::string& path, Link& link, Operator& op) {
  detail::Session s(link, op);
  LinesOff(link);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;

  const HexLoadResult loaded = LoadHexImage(path, ImageLimitsOf(*model));
  if (loaded.status != HexStatus::Ok) {
    return s.FailOnFile(loaded, HexWording::Programming, result::kProgramFailure);
  }
  const HexImage& image = loaded.image;

  const FamilyDescriptor& family = *model->family;
  auto config = ChooseConfigWord(FileConfigWords(image, family.configWords), op.ConfigSource());
  if (!config) {
    const HexMessage message = ConfigFailureMessage();
    return s.Finish(message.title, message.text, result::kConfigError);
  }
  // A second configuration word the file or the dialog leaves out is written erased.
  while (static_cast<int>(config->word.size()) < 14 * family.configWords) {
    config->word += ToBitString(0x3FFF);
  }

  const std::string confirmation = "Microcontrolador: PIC " + std::string(model->modelName) +
                                   "\r\rPrograma: " + path +
                                   "\r\r          **** Configuración ****\rTipo: " + config->label +
                                   "\r" + Config_Detail(config->word, model->family->layout);
  if (!op.Confirm("Confirmar", confirmation)) return result::kNone;

  if (!detail::ConfirmVppLimit(s)) return result::kNone;
  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*model);
  // The warnings are about adapters that keep VDD on: one that switches VDD enters each
  // family as its document says, whatever the configuration.
  if (const std::string warning = link.GetWiring().SwitchesVdd()
                                      ? std::string()
                                      : algorithm.ConfigWarning(ConfigWordAt(config->word, 0));
      !warning.empty() && !op.Confirm("Confirmar", warning)) {
    return result::kNone;
  }

  // Code-protection test: a protected part reads zeros and ignores writes.
  s.Reset();
  if (auto refused = detail::StartOnModel(s)) return *refused;
  s.IdentifyPart();
  if (model->family->protection.RefusesWrites(detail::WordOf(s.ReadConfigWord()))) {
    return s.Finish(kCpTitle,
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la programación\r\r"
                    "Para eliminar el CP primero efectuar un BORRADO",
                    result::kCpError);
  }

  // The factory's calibration, read and checked before anything is erased or written.
  detail::FactoryBits factory;
  if (auto refused = detail::SecureFactoryBits(s, factory)) return *refused;

  // Read first: what must change decides between writing in place and erasing first.
  detail::ConfigMemoryWant written = detail::WrittenIdsAndConfig(image, config->word, family);
  detail::ConfigMemory wantConfig = detail::ErasedConfigMemory();
  for (std::size_t j = 0; j < wantConfig.size(); ++j) {
    const int address = detail::kConfigMemoryBase + static_cast<int>(j);
    if (written.words[j]) written.words[j] = factory.Apply(address, *written.words[j]);
    if (written.words[j]) wantConfig[j] = *written.words[j];
  }
  op.ShowProgress();
  detail::ProgramPlan plan = detail::PlanProgram(s, image, wantConfig, factory, [&](int a) {
    s.Progress("Leyendo Program Memory:  0x" + detail::AddressText(a));
  });
  op.Report(detail::DescribePlan(plan));
  // A calibration word another programmer erased cannot be given back here: say so.
  std::string lost;
  for (int address : family.calibrationWords) {
    const auto j = static_cast<std::size_t>(address - detail::kConfigMemoryBase);
    if (plan.haveConfig[j] != detail::kErasedValue) continue;
    lost += "\r\rNota: la calibración de fábrica de 0x" + detail::AddressText(address) +
            " se lee 0x3FFF (perdida: la borró otro programador)";
  }
  if (plan.eraseFirst) {
    s.Progress("Borrando memoria de programa ...");
    if (auto failed = detail::EraseKeepingFactoryBits(
            s, factory, [&] { detail::EraseForPlan(s, plan); }, result::kVerifyMismatch)) {
      return *failed;
    }
    // The write-back left the factory's bits over the erased words.
    for (std::size_t a = 0; a < plan.have.size(); ++a) {
      plan.have[a] = factory.Apply(static_cast<int>(a), plan.have[a]);
    }
    for (std::size_t j = 0; j < plan.haveConfig.size(); ++j) {
      const int address = detail::kConfigMemoryBase + static_cast<int>(j);
      plan.haveConfig[j] = factory.Apply(address, plan.haveConfig[j]);
    }
  }

  const int programCount = static_cast<int>(plan.want.size());
  const int eepromCount = image.HasEeprom ? image.EepromEnd + 1 : 0;
  const int total = programCount + eepromCount + 1;

  // Program memory: only the words that differ are written, and each is read back.
  const int programFailed = algorithm.WriteProgram(s, plan.want, plan.have, [&](int a) {
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

  op.SetProgressFraction(total - 1, total);
  const bool locks = detail::LocksOutAdapter(s, ConfigWordAt(config->word, 0));
  if (const std::string wrong = locks ? detail::WriteLockingConfigLast(s, image, plan, written)
                                      : WriteIdsAndConfigChecked(s, plan, written);
      !wrong.empty()) {
    return s.Finish("Error", wrong, result::kVerifyMismatch);
  }

  op.SetProgressFraction(total, total);
  // Values the file puts where the factory keeps its calibration are left out, and said so.
  const std::string note = detail::CalibrationFileNote(family, image);
  return s.Finish("Fin",
                  "Programación finalizada" + FactoryNote(image, factory) + lost +
                      (note.empty() ? "" : "\r\r" + note) + HexNotesText(loaded) +
                      (locks ? "\r\r" + detail::LockoutNote() : ""),
                  result::kOk);
}

}  // namespace

std::string ProgramDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kProgramFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
