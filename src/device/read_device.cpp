#include "device/read_device.h"

#include "device/algorithm.h"
#include "device/catalogue.h"
#include "device/factory_bits.h"
#include "device/operations.h"
#include "device/session.h"
#include "image/hex_image.h"

namespace daxwel {

namespace {

// ID words at 0x2000-0x2003, the device ID at 0x2006, the configuration word at 0x2007 and
// the family's words after it (a second configuration word, calibration words), in one pass
// over configuration memory.
void ReadConfigurationMemory(detail::Session& s, ReadOutcome& out) {
  s.Reset();
  s.Enter();
  s.GoToConfig(detail::kErasedWord, 0);
  for (std::size_t j = 0; j < out.contents.ids.size(); ++j) {
    s.Command(cmd::kReadDataProgram);
    out.contents.ids[j] = detail::WordOf(s.Read());
    s.Increment();
  }
  s.Increment();
  s.Increment();
  s.Command(cmd::kReadDataProgram);
  out.deviceId = detail::WordOf(s.Read());
  s.Increment();
  s.Command(cmd::kReadDataProgram);
  out.contents.config = detail::WordOf(s.Read());
  const int end = s.model->family->ConfigMemoryEnd();
  for (int address = 0x2008; address <= end; ++address) {
    s.Increment();
    s.Command(cmd::kReadDataProgram);
    (address == 0x2008 ? out.contents.word2008 : out.contents.word2009) = detail::WordOf(s.Read());
  }
  s.Reset();
}

std::string Run(Link& link, Operator& op, ReadScope scope, ReadOutcome& out) {
  detail::Session s(link, op);
  LinesOff(link);

  const DeviceModel* model = s.ResolveModel();
  if (model == nullptr) return result::kNone;
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
    s.Progress("Leyendo Program Memory:  0x" + detail::AddressText(a));
    s.Command(cmd::kReadDataProgram);
    out.contents.program[static_cast<std::size_t>(a)] = detail::WordOf(s.Read());
    s.Increment();
  }

  out.contents.eeprom.assign(static_cast<std::size_t>(model->eepromBytes), 0xFF);
  s.Reset();
  s.Enter();
  for (int i = 0; i < model->eepromBytes; ++i) {
    op.SetProgressFraction(model->programWords + i, total);
    s.Progress("Leyendo Data Memory:  0x" + detail::AddressText(i));
    s.Command(cmd::kReadDataData);
    // Only the low eight bits are data; silicon differs in what the upper six return.
    out.contents.eeprom[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(FromBitString(s.Read()) & 0xFF);
    s.Increment();
  }

  op.SetProgressFraction(total - 1, total);
  s.Progress("Leyendo Configuration Word...");
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
