#include "device/read_device.h"

#include "device/algorithm.h"
#include "device/catalogue.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/session.h"
#include "image/hex_image.h"

namespace daxwel {

namespace {

// The IDs, the device ID, the configuration word and every word after it up to the last the
// family's map declares (a second configuration word, calibration words), in one pass over
// configuration memory. The words between are read too: the file keeps what the chip shows.
void ReadConfigurationMemory(detail::Session& s, ReadOutcome& out) {
  const ConfigMemoryMap map = s.model->family->ConfigMap();
  out.contents.configBase = map.Base();
  s.Reset();
  s.Enter();
  s.GoToConfig(detail::kErasedWord, 0);
  for (int address = map.Base(); address <= map.End(); ++address) {
    if (address > map.Base()) s.Increment();
    const ConfigCell* cell = map.Find(address);
    if (cell == nullptr && address < map.FirstConfigWord()) continue;
    s.Command(cmd::kReadDataProgram);
    const std::uint16_t word = detail::WordOf(s.Read());
    if (map.Is(address, ConfigCellKind::Id)) {
      out.contents.ids[static_cast<std::size_t>(address - map.FirstId())] = word;
    } else if (map.Is(address, ConfigCellKind::DeviceId)) {
      out.deviceId = word;
    } else {
      out.contents.configMemory[address] = word;
    }
  }
  s.Reset();
}

std::string Run(Link& link, Operator& op, ReadScope scope, ReadOutcome& out) {
  detail::Session s(link, op);
  // A model refused for the adapter's supply is refused before any port write.
  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;
  LinesOff(link);
  out.modelIndex = model->index;

  s.Reset();
  if (detail::Outcome started = detail::StartOnModel(s); !started.IsOk()) return started.Text();

  if (scope == ReadScope::ConfigurationOnly) {
    for (const detail::FactoryBits::Entry& e : detail::ReadFactoryBits(s).entries) {
      out.factory.push_back({e.where, e.value, e.word});
    }
    ReadConfigurationMemory(s, out);
    LinesOff(link);
    return result::kOk;
  }

  // The configuration word first: a protected chip reads zeros where it is protected.
  s.Reset();
  s.Enter();
  const std::uint16_t config = detail::WordOf(s.ReadConfigWord());
  if (model->family->protection.RefusesReads(config)) {
    return s.Finish("Code Protect activado !!!",
                    "              Code Protect (CP) activado !!!!\r"
                    "      Imposible continuar con la lectura",
                    result::kCpError);
  }

  const int total = model->programWords + model->eepromBytes + 1;

  out.contents.program.assign(static_cast<std::size_t>(model->programWords), 0x3FFF);
  s.Reset();
  s.Enter();
  for (int a = 0; a < model->programWords; ++a) {
    op.ShowProgress();
    op.SetProgressFraction(a, total);
    s.Progress("Leyendo la memoria de programa:  0x" + detail::AddressText(a));
    s.Command(cmd::kReadDataProgram);
    out.contents.program[static_cast<std::size_t>(a)] = detail::WordOf(s.Read());
    s.Increment();
  }

  out.contents.eeprom.assign(static_cast<std::size_t>(model->eepromBytes), 0xFF);
  s.Reset();
  s.Enter();
  for (int i = 0; i < model->eepromBytes; ++i) {
    op.SetProgressFraction(model->programWords + i, total);
    s.Progress("Leyendo la EEPROM:  0x" + detail::AddressText(i));
    s.Command(cmd::kReadDataData);
    // Only the low eight bits are data; silicon differs in what the upper six return.
    out.contents.eeprom[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(FromBitString(s.Read()) & 0xFF);
    s.Increment();
  }

  op.SetProgressFraction(total - 1, total);
  s.Progress("Leyendo la configuración...");
  ReadConfigurationMemory(s, out);

  op.SetProgressFraction(total, total);
  op.HideProgress();
  LinesOff(link);
  return result::kOk;
}

}  // namespace

ReadOutcome ReadDevice(Link& link, Operator& op, ReadScope scope) {
  ReadOutcome out;
  out.result =
      detail::Guarded(link, op, result::kReadFailure, [&] { return Run(link, op, scope, out); });
  if (out.result != result::kOk) {
    out.contents.program.clear();
    out.contents.eeprom.clear();
  }
  return out;
}

}  // namespace daxwel
