#include "device/locked_config.h"

#include <algorithm>
#include <vector>

#include "config/config_word.h"

namespace daxwel::detail {

namespace {

// Program memory as the plan leaves it, read back from a fresh entry.
Outcome ReadBackProgram(Session& s, const std::vector<std::uint16_t>& want) {
  s.Reset();
  s.Enter();
  const int failed = s.Walk(static_cast<int>(want.size()) - 1, [&](int a) {
    s.Progress("Verificando Program Memory:  0x" + AddressText(a));
    s.Command(cmd::kReadDataProgram);
    return WordOf(s.Read()) == want[static_cast<std::size_t>(a)];
  });
  if (failed < 0) return Outcome::Ok();
  return Outcome::Failed("Error al programar Program Memory\rDirección 0x" + AddressText(failed));
}

// The data EEPROM the file gives, read back from a fresh entry.
Outcome ReadBackData(Session& s, const HexImage& image) {
  if (!image.HasEeprom) return Outcome::Ok();
  s.Reset();
  s.Enter();
  const int failed = s.Walk(image.EepromEnd, [&](int i) {
    s.Progress("Verificando Data Memory:  0x" + AddressText(i));
    s.Command(cmd::kReadDataData);
    return SameDataByte(s.Read(), ToBitString(image.EepromWords[static_cast<std::size_t>(i)]));
  });
  if (failed < 0) return Outcome::Ok();
  return Outcome::Failed("Error al programar Data Memory\rDirección 0x" + AddressText(failed));
}

// The word whose value keeps the adapter out: the first configuration word.
constexpr std::size_t kLockingWord = kConfigWordIndex;

// Everything but the locking word: the IDs and any second configuration word, the locking word
// left as it is (the part still lets the adapter in), then read back from a fresh entry. Cut
// short after the locking word, the chip then still holds the whole file.
Outcome WriteIds(Session& s, const ProgramPlan& plan, const ConfigMemoryWant& written) {
  ConfigMemory idsOnly = plan.haveConfig;
  ConfigMemoryWant ids;
  for (std::size_t j = 0; j < idsOnly.size(); ++j) {
    if (j == kLockingWord || !(j < 4 || written.words[j])) continue;
    idsOnly[j] = plan.wantConfig[j];
    ids.words[j] = written.words[j];
  }
  s.Reset();
  s.Enter();
  s.model->family->algorithm.WriteIdsAndConfig(s, idsOnly, plan.haveConfig);
  return CheckIdsAndConfig(s, ids, "programar");
}

// The configuration words in one last entry, each read back while the counter stands on it:
// Load Configuration only reaches the IDs from a fresh entry, which the part no longer allows.
Outcome WriteConfigWords(Session& s, const ProgramPlan& plan, const ConfigMemoryWant& written) {
  const FamilyDescriptor& family = *s.model->family;
  ConfigMemory have = plan.haveConfig;
  ConfigMemoryWant words;
  for (std::size_t j = 0; j < have.size(); ++j) {
    if (j != kLockingWord) have[j] = plan.wantConfig[j];  // written already
    if (j >= 4) words.words[j] = written.words[j];
  }
  ConfigMemory read = ErasedConfigMemory();
  std::vector<int> reached;
  s.Reset();
  s.Enter();
  s.Progress("Programando Configuration Word...");
  // No stop once the locking word may be written: the run ends with the read-back and the note.
  s.HoldYieldPoints(true);
  family.algorithm.WriteIdsAndConfig(s, plan.wantConfig, have, [&](int address) {
    s.Command(cmd::kReadDataProgram);
    read[family.ConfigIndex(address)] = WordOf(s.Read());
    reached.push_back(address);
  });
  s.HoldYieldPoints(false);
  for (int address : WrittenConfigAddresses(family)) {
    if (!family.IsConfigWord(address) ||
        std::find(reached.begin(), reached.end(), address) != reached.end()) {
      continue;
    }
    return Outcome::Failed("Error al programar Configuration Word\rDirección 0x" +
                           AddressText(address) + ": no se pudo leer");
  }
  return CompareIdsAndConfig(family, read, words, "programar");
}

}  // namespace

bool LocksOutAdapter(const Session& s, std::uint16_t config) {
  return !s.link.GetWiring().SwitchesVdd() && s.model->family->algorithm.LocksReentry(config);
}

Outcome WriteLockingConfigLast(Session& s, const HexImage& image, const ProgramPlan& plan,
                               const ConfigMemoryWant& written) {
  if (Outcome o = ReadBackProgram(s, plan.want); !o.IsOk()) return o;
  if (Outcome o = ReadBackData(s, image); !o.IsOk()) return o;
  if (Outcome o = WriteIds(s, plan, written); !o.IsOk()) return o;
  if (Outcome o = WriteConfigWords(s, plan, written); !o.IsOk()) return o;
  s.Reset();
  return Outcome::Ok();
}

std::string LockoutNote() {
  return "Nota: la configuración grabada deshabilita MCLR (MCLRE = 0) con el oscilador "
         "interno. Todo se verificó antes de salir del modo de programación, pero este "
         "programador, que mantiene VDD conectado, ya no podrá hacer entrar al PIC en modo de "
         "programación: no podrá leerlo, verificarlo, borrarlo ni reprogramarlo. Para eso "
         "hará falta un programador que conmute VDD y aplique VPP antes que VDD (o enseguida "
         "después).";
}

}  // namespace daxwel::detail
