#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/outcome.h"
#include "device/session.h"
#include "image/hex_image.h"

namespace daxwel {

namespace {

// Every data-memory byte reads erased after an erase; failed with the first that does not,
// and what it reads.
detail::Outcome CheckDataErased(detail::Session& s, int bytes) {
  s.Reset();
  s.Enter();
  int read = 0xFF;
  const int at = s.Walk(bytes - 1, [&](int) {
    s.Command(cmd::kReadDataData);
    read = detail::WordOf(s.Read()) & 0xFF;
    return read == 0xFF;
  });
  if (at < 0) return detail::Outcome::Ok();
  return detail::Outcome::Failed("Data Memory, dirección 0x" + detail::AddressText(at) +
                                 ": no pudo ser borrada (se leyó 0x" +
                                 detail::AddressText(read).substr(2) + ")");
}

// The factory's calibration, read and checked before it is erased, then the erase with the
// calibration written back at once.
detail::Outcome EraseKeepingFactory(detail::Session& s, detail::FactoryBits& factory) {
  if (detail::Outcome started = detail::StartOnModel(s); !started.IsOk()) return started;
  s.IdentifyPart();
  if (detail::Outcome secured = detail::SecureFactoryBits(s, factory); !secured.IsOk()) {
    return secured;
  }
  s.op.ShowProgress();
  s.Progress("Borrando memoria de programa y datos ...");
  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*s.model);
  return detail::EraseKeepingFactoryBits(
      s, factory, [&] { algorithm.Erase(s); }, result::kEraseMismatch);
}

// The family's own check, then program memory blank except the factory's words, which must
// hold what was read before the erase.
detail::Outcome CheckProgramErased(detail::Session& s, const detail::FactoryBits& factory) {
  s.Reset();
  s.Enter();
  if (const std::string problem = detail::AlgorithmOf(*s.model).CheckErased(s); !problem.empty()) {
    return detail::Outcome::Failed(problem);
  }
  const int words = s.model->programWords;
  for (int a = 0; a < words; ++a) {
    if (a % 256 == 0) {
      s.op.SetProgressFraction(a, words);
      // The blank check is long enough to be stopped (Ctrl-C, "Salir") half-way.
      s.op.Yield();
      s.Checkpoint();
    }
    s.Command(cmd::kReadDataProgram);
    if (detail::WordOf(s.Read()) != factory.Apply(a, detail::kErasedValue)) {
      return detail::Outcome::Failed("Dirección 0x" + detail::AddressText(a) +
                                     " no pudo ser borrada");
    }
    s.Increment();
  }
  return detail::Outcome::Ok();
}

// The data EEPROM alone, each byte written erased: program memory, the IDs, the
// configuration and the factory's calibration are never touched.
std::string RunDataOnly(detail::Session& s) {
  const DeviceModel& model = *s.model;
  if (model.eepromBytes == 0) {
    return s.Finish("Error", "El PIC " + std::string(model.modelName) + " no tiene EEPROM",
                    result::kNone);
  }
  if (!s.op.Confirm("Borrar", "La EEPROM (Data Memory) del PIC " + std::string(model.modelName) +
                                  " será borrada\r\r                 ¿ Desea continuar ?")) {
    return result::kNone;
  }
  LinesOff(s.link);
  if (detail::Outcome o = detail::StartOnModel(s); !o.IsOk()) return o.Text();
  HexImage erased;
  erased.HasEeprom = true;
  erased.EepromEnd = static_cast<std::int16_t>(model.eepromBytes - 1);
  erased.EepromWords.fill(0xFF);
  s.Reset();
  s.Enter();
  s.op.ShowProgress();
  const int failed = detail::AlgorithmOf(model).WriteData(s, erased, [&](int i) {
    s.op.SetProgressFraction(i, model.eepromBytes);
    s.Progress("Borrando Data Memory:  0x" + detail::AddressText(i));
  });
  s.Reset();
  if (failed >= 0) {
    return detail::Outcome::Failed("Data Memory, dirección 0x" + detail::AddressText(failed) +
                                   " no pudo ser borrada")
        .End(s, result::kEraseMismatch);
  }
  if (detail::Outcome o = CheckDataErased(s, model.eepromBytes); !o.IsOk()) {
    return o.End(s, result::kEraseMismatch);
  }
  s.Reset();
  return s.Finish("Fin", "La EEPROM del PIC ha sido borrada", result::kOk);
}

std::string Run(Link& link, Operator& op) {
  detail::Session s(link, op);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;
  if (op.Scope().EepromOnly()) return RunDataOnly(s);

  if (!op.Confirm("Borrar", "El PIC " + std::string(model->modelName) +
                                " será completamente borrado\r\r"
                                "                 ¿ Desea continuar ?")) {
    return result::kNone;
  }

  LinesOff(link);
  detail::FactoryBits factory;
  if (detail::Outcome o = EraseKeepingFactory(s, factory); !o.IsOk()) {
    return o.End(s, result::kEraseMismatch);
  }
  if (detail::Outcome o = CheckProgramErased(s, factory); !o.IsOk()) {
    return o.End(s, result::kEraseMismatch);
  }
  if (detail::Outcome o = CheckDataErased(s, model->eepromBytes); !o.IsOk()) {
    return o.End(s, result::kEraseMismatch);
  }

  s.Reset();
  op.SetProgressFraction(model->programWords, model->programWords);
  return s.Finish("Fin", "El PIC ha sido borrado", result::kOk);
}

}  // namespace

std::string EraseDevice(Link& link, Operator& op) {
  return detail::Guarded(link, op, result::kEraseFailure, [&] { return Run(link, op); });
}

}  // namespace daxwel
