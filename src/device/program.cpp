#include "config/config_word.h"
#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/locked_config.h"
#include "device/operations.h"
#include "device/outcome.h"
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
// Ok (programming mode left), or failed with what differs (still in it, for the message).
detail::Outcome WriteIdsAndConfigChecked(detail::Session& s, const detail::ProgramPlan& plan,
                                         const detail::ConfigMemoryWant& written) {
  s.Enter();
  s.Progress("Programando Configuration Word...");
  s.model->family->algorithm.WriteIdsAndConfig(s, plan.wantConfig, plan.haveConfig);
  detail::Outcome checked = detail::CheckIdsAndConfig(s, written, "programar");
  if (checked.IsOk()) s.Reset();
  return checked;
}

// The configuration words to write: the file's or the dialog's, a second one the file or the
// dialog leaves out written erased. Ends the run when there is none.
detail::Outcome ChooseConfiguration(detail::Session& s, const HexImage& image,
                                    const FamilyDescriptor& family, ChosenConfig& chosen) {
  auto config = ChooseConfigWord(FileConfigWords(image, family.configWords), s.op.ConfigSource());
  if (!config) {
    const HexMessage message = ConfigFailureMessage();
    return detail::Outcome::Ended(s.Finish(message.title, message.text, result::kConfigError));
  }
  while (static_cast<int>(config->word.size()) < 14 * family.configWords) {
    config->word += ToBitString(0x3FFF);
  }
  chosen = *config;
  return detail::Outcome::Ok();
}

// The user's say before anything reaches the chip: the file and configuration, the part's
// VPP limit, and the family's warning about this configuration.
detail::Outcome ConfirmProgram(detail::Session& s, const std::string& path,
                               const ChosenConfig& config) {
  const DeviceModel& model = *s.model;
  const std::string confirmation = "Microcontrolador: PIC " + std::string(model.modelName) +
                                   "\r\rPrograma: " + path +
                                   "\r\r          **** Configuración ****\rTipo: " + config.label +
                                   "\r" + Config_Detail(config.word, model.family->layout);
  if (!s.op.Confirm("Confirmar", confirmation)) return detail::Outcome::Cancelled();
  if (!detail::ConfirmVppLimit(s)) return detail::Outcome::Cancelled();
  // The warnings are about adapters that keep VDD on: one that switches VDD enters each
  // family as its document says, whatever the configuration.
  if (const std::string warning =
          s.link.GetWiring().SwitchesVdd()
              ? std::string()
              : detail::AlgorithmOf(model).ConfigWarning(ConfigWordAt(config.word, 0));
      !warning.empty() && !s.op.Confirm("Confirmar", warning)) {
    return detail::Outcome::Cancelled();
  }
  return detail::Outcome::Ok();
}

// Code-protection test: a protected part reads zeros and ignores writes.
detail::Outcome CheckNotProtected(detail::Session& s) {
  s.Reset();
  if (detail::Outcome started = detail::StartOnModel(s); !started.IsOk()) return started;
  s.IdentifyPart();
  if (s.model->family->protection.RefusesWrites(detail::WordOf(s.ReadConfigWord()))) {
    return detail::Outcome::Ended(s.Finish(kCpTitle,
                                           "              Code Protect (CP) activado !!!!\r"
                                           "      Imposible continuar con la programación\r\r"
                                           "Para eliminar el CP primero efectuar un BORRADO",
                                           result::kCpError));
  }
  return detail::Outcome::Ok();
}

// What the pass leaves in configuration memory: the IDs and configuration words written, with
// the factory's bits in place of the file's.
detail::ConfigMemory WantedConfigMemory(const FamilyDescriptor& family,
                                        detail::ConfigMemoryWant& written,
                                        const detail::FactoryBits& factory) {
  detail::ConfigMemory wantConfig = detail::ErasedConfigMemory();
  for (std::size_t j = 0; j < wantConfig.size(); ++j) {
    const int address = family.configBase + static_cast<int>(j);
    if (written.words[j]) written.words[j] = factory.Apply(address, *written.words[j]);
    if (written.words[j]) wantConfig[j] = *written.words[j];
  }
  return wantConfig;
}

// A calibration word another programmer erased cannot be given back here: say so.
std::string LostCalibrationNote(const FamilyDescriptor& family, const detail::ProgramPlan& plan) {
  std::string lost;
  for (int address : family.calibrationWords) {
    if (plan.haveConfig[family.ConfigIndex(address)] != detail::kErasedValue) continue;
    lost += "\r\rNota: la calibración de fábrica de 0x" + detail::AddressText(address) +
            " se lee 0x3FFF (perdida: la borró otro programador)";
  }
  return lost;
}

// The plan's erase, the factory's bits written back at once and left over the erased words.
detail::Outcome EraseFirst(detail::Session& s, const detail::FactoryBits& factory,
                           detail::ProgramPlan& plan) {
  s.Progress("Borrando memoria de programa ...");
  if (detail::Outcome erased = detail::EraseKeepingFactoryBits(
          s, factory, [&] { detail::EraseForPlan(s, plan); }, result::kVerifyMismatch);
      !erased.IsOk()) {
    return erased;
  }
  for (std::size_t a = 0; a < plan.have.size(); ++a) {
    plan.have[a] = factory.Apply(static_cast<int>(a), plan.have[a]);
  }
  for (std::size_t j = 0; j < plan.haveConfig.size(); ++j) {
    const int address = s.model->family->configBase + static_cast<int>(j);
    plan.haveConfig[j] = factory.Apply(address, plan.haveConfig[j]);
  }
  return detail::Outcome::Ok();
}

// What a program pass reads and decides before its writes.
struct Pass {
  detail::FactoryBits factory;
  detail::ConfigMemoryWant written;
  detail::ProgramPlan plan;
  std::string lost;  // the note on calibration words found erased
  bool locks = false;
};

// The factory's calibration, read and checked before anything is erased or written; then
// the chip read, since what must change decides between writing in place and erasing first.
detail::Outcome PlanPass(detail::Session& s, const HexImage& image, const std::string& config,
                         Pass& pass) {
  if (detail::Outcome secured = detail::SecureFactoryBits(s, pass.factory); !secured.IsOk()) {
    return secured;
  }
  pass.written = detail::WrittenIdsAndConfig(image, config, *s.model->family);
  const detail::ConfigMemory wantConfig =
      WantedConfigMemory(*s.model->family, pass.written, pass.factory);
  s.op.ShowProgress();
  pass.plan = detail::PlanProgram(s, image, wantConfig, pass.factory, [&](int a) {
    s.Progress("Leyendo la memoria de programa:  0x" + detail::AddressText(a));
  });
  s.op.Report(detail::DescribePlan(pass.plan));
  pass.lost = LostCalibrationNote(*s.model->family, pass.plan);
  pass.locks = detail::LocksOutAdapter(s, ConfigWordAt(config, 0));
  if (!pass.plan.eraseFirst) return detail::Outcome::Ok();
  return EraseFirst(s, pass.factory, pass.plan);
}

// Failed with the first address a pass could not write, or ok.
detail::Outcome WrittenUpTo(int failed, const char* memory) {
  if (failed < 0) return detail::Outcome::Ok();
  return detail::Outcome::Failed("Error al programar " + std::string(memory) + "\rDirección 0x" +
                                 detail::AddressText(failed));
}

// The three write passes: program memory (only the words that differ, each read back), the
// data EEPROM, then the IDs and configuration words.
detail::Outcome WriteMemories(detail::Session& s, const HexImage& image, const Pass& pass) {
  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*s.model);
  const int programCount = static_cast<int>(pass.plan.want.size());
  const int eepromCount = image.HasEeprom ? image.EepromEnd + 1 : 0;
  const int total = programCount + eepromCount + 1;
  const auto showProgram = [&](int a) {
    s.op.SetProgressFraction(a, total);
    s.Progress("Programando Program Memory:  0x" + detail::AddressText(a));
  };
  const auto showData = [&](int i) {
    s.op.SetProgressFraction(programCount + i, total);
    s.Progress("Programando Data Memory:  0x" + detail::AddressText(i));
  };

  const int programFailed = algorithm.WriteProgram(s, pass.plan.want, pass.plan.have, showProgram);
  if (detail::Outcome o = WrittenUpTo(programFailed, "Program Memory"); !o.IsOk()) return o;
  s.Reset();

  if (image.HasEeprom) {
    s.Enter();
    const int dataFailed = algorithm.WriteData(s, image, showData);
    if (detail::Outcome o = WrittenUpTo(dataFailed, "Data Memory"); !o.IsOk()) return o;
    s.Reset();
  }

  s.op.SetProgressFraction(total - 1, total);
  if (detail::Outcome o = pass.locks
                              ? detail::WriteLockingConfigLast(s, image, pass.plan, pass.written)
                              : WriteIdsAndConfigChecked(s, pass.plan, pass.written);
      !o.IsOk()) {
    return o;
  }
  s.op.SetProgressFraction(total, total);
  return detail::Outcome::Ok();
}

// The closing message: what was kept from the file, what is lost, the file's own notes, and
// the lockout when this adapter cannot come back.
std::string ClosingText(const FamilyDescriptor& family, const HexLoadResult& loaded,
                        const Pass& pass) {
  // Values the file puts where the factory keeps its calibration are left out, and said so.
  const std::string note = detail::CalibrationFileNote(family, loaded.image);
  return "Programación finalizada" + FactoryNote(loaded.image, pass.factory) + pass.lost +
         (note.empty() ? "" : "\r\r" + note) + HexNotesText(loaded) +
         (pass.locks ? "\r\r" + detail::LockoutNote() : "");
}

// The data EEPROM alone: its bytes need no erase of the rest, so program memory, the IDs,
// the configuration and the factory's calibration are never touched.
std::string RunDataOnly(detail::Session& s, const std::string& path, const HexLoadResult& loaded) {
  const DeviceModel& model = *s.model;
  if (model.eepromBytes == 0) {
    return s.Finish("Error", "El PIC " + std::string(model.modelName) + " no tiene EEPROM",
                    result::kNone);
  }
  if (!s.op.Confirm("Confirmar", "Microcontrolador: PIC " + std::string(model.modelName) +
                                     "\r\rPrograma: " + path +
                                     "\r\rSolo la EEPROM (Data Memory) del archivo")) {
    return result::kNone;
  }
  if (detail::Outcome o = CheckNotProtected(s); !o.IsOk()) return o.End(s, result::kVerifyMismatch);
  const HexImage& image = loaded.image;
  if (image.HasEeprom) {
    s.op.ShowProgress();
    s.Reset();
    s.Enter();
    const int failed = detail::AlgorithmOf(model).WriteData(s, image, [&](int i) {
      s.op.SetProgressFraction(i, image.EepromEnd + 1);
      s.Progress("Programando Data Memory:  0x" + detail::AddressText(i));
    });
    if (detail::Outcome o = WrittenUpTo(failed, "Data Memory"); !o.IsOk()) {
      return o.End(s, result::kVerifyMismatch);
    }
  }
  s.Reset();
  return s.Finish("Fin",
                  image.HasEeprom ? "Programación finalizada (solo la EEPROM)"
                                  : "El archivo no trae datos de EEPROM: no se grabó nada",
                  result::kOk);
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
  if (op.Scope().EepromOnly()) return RunDataOnly(s, path, loaded);
  const HexImage& image = loaded.image;

  ChosenConfig config;
  if (detail::Outcome o = ChooseConfiguration(s, image, *model->family, config); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  if (detail::Outcome o = ConfirmProgram(s, path, config); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  if (detail::Outcome o = CheckNotProtected(s); !o.IsOk()) return o.End(s, result::kVerifyMismatch);
  Pass pass;
  if (detail::Outcome o = PlanPass(s, image, config.word, pass); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  if (detail::Outcome o = WriteMemories(s, image, pass); !o.IsOk()) {
    return o.End(s, result::kVerifyMismatch);
  }
  return s.Finish("Fin", ClosingText(*model->family, loaded, pass), result::kOk);
}

}  // namespace

std::string ProgramDevice(const std::string& path, Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kProgramFailure, [&] { return Run(path, link, op); });
}

}  // namespace daxwel
