#include "device/algorithm.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/session.h"

namespace daxwel {

namespace {

// The first data-memory byte that does not read erased after an erase, and what it reads;
// -1 when every byte does. From a fresh entry.
int FirstUnerasedByte(detail::Session& s, int bytes, int& read) {
  return s.Walk(bytes - 1, [&](int) {
    s.Command(cmd::kReadDataData);
    read = detail::WordOf(s.Read()) & 0xFF;
    return read == 0xFF;
  });
}

std::string Run(Link& link, Operator& op) {
  detail::Session s(link, op);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;

  if (!op.Confirm("Borrar", "El PIC " + std::string(model->modelName) +
                                " será completamente borrado\r\r"
                                "                 ¿ Desea continuar ?")) {
    return result::kNone;
  }

  LinesOff(link);
  const detail::FamilyAlgorithm& algorithm = detail::AlgorithmOf(*model);
  if (auto refused = detail::StartOnModel(s)) return *refused;
  s.IdentifyPart();
  // The factory's calibration, read and checked before it is erased, written back at once.
  detail::FactoryBits factory;
  if (auto refused = detail::SecureFactoryBits(s, factory)) return *refused;
  op.ShowProgress();
  s.Progress("Borrando memoria de programa y datos ...");
  if (auto failed = detail::EraseKeepingFactoryBits(
          s, factory, [&] { algorithm.Erase(s); }, result::kEraseMismatch)) {
    return *failed;
  }

  s.Reset();
  s.Enter();
  if (const std::string problem = algorithm.CheckErased(s); !problem.empty()) {
    return s.Finish("Error", problem, result::kEraseMismatch);
  }
  for (int a = 0; a < model->programWords; ++a) {
    if (a % 256 == 0) {
      op.SetProgressFraction(a, model->programWords);
      // The blank check is long enough to be stopped (Ctrl-C, "Salir") half-way.
      op.Yield();
      s.Checkpoint();
    }
    s.Command(cmd::kReadDataProgram);
    // Blank, except the factory's words, which must hold what was read before the erase.
    if (detail::WordOf(s.Read()) != factory.Apply(a, detail::kErasedValue)) {
      return s.Finish("Error", "Dirección 0x" + detail::AddressText(a) + " no pudo ser borrada",
                      result::kEraseMismatch);
    }
    s.Increment();
  }
  s.Reset();
  s.Enter();
  if (int read = 0xFF, at = FirstUnerasedByte(s, model->eepromBytes, read); at >= 0) {
    return s.Finish("Error",
                    "Data Memory, dirección 0x" + detail::AddressText(at) +
                        ": no pudo ser borrada (se leyó 0x" + detail::AddressText(read).substr(2) +
                        ")",
                    result::kEraseMismatch);
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
