#include "device/algorithm.h"

#include <cstdio>

#include "config/config_word.h"
#include "device/operations.h"

namespace daxwel::detail {

int FamilyAlgorithm::WriteData(Session& s, const HexImage& image, const ShowAddress& show) const {
  const std::chrono::microseconds wait = DataWriteTime(s.cycles);
  return s.Walk(image.EepromEnd, [&](int i) {
    show(i);
    // The byte alone: the frame's upper six bits are sent as 0, as the documents give them.
    const std::string want = ToBitString(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
    s.Command(cmd::kReadDataData);
    if (SameDataByte(s.Read(), want)) return true;
    s.Command(cmd::kLoadDataData);
    s.Data(want);
    s.Cycle(cmd::kBeginEraseProgram, wait);
    s.Command(cmd::kReadDataData);
    return SameDataByte(s.Read(), want);
  });
}

void FamilyAlgorithm::WriteIdsAndConfig(Session& s, const ConfigMemory& want,
                                        const ConfigMemory& have,
                                        const ShowAddress& atConfigWord) const {
  (void)have;
  const FamilyDescriptor& family = *s.model->family;
  s.GoToConfig(kZeroWord, 0);
  int at = family.configBase;
  for (int address : WrittenConfigAddresses(family)) {
    for (; at < address; ++at) s.Increment();
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(want[family.ConfigIndex(address)]));
    s.Program();
    if (address >= family.FirstConfigWord() && atConfigWord) atConfigWord(address);
    // The counter stays on the last word written.
    if (address < family.configBase + 3) {
      s.Increment();
      ++at;
    }
  }
}

ConfigMemory ErasedConfigMemory() {
  ConfigMemory words;
  words.fill(kErasedValue);
  return words;
}

std::vector<int> WrittenConfigAddresses(const FamilyDescriptor& family) {
  const int base = family.configBase;
  std::vector<int> addresses{base, base + 1, base + 2, base + 3};
  for (int a = family.FirstConfigWord(); a < family.FirstConfigWord() + family.configWords; ++a) {
    if (!family.IsCalibration(a)) addresses.push_back(a);
  }
  return addresses;
}

std::optional<std::chrono::microseconds> WritesWithoutErase::InPlaceCost(const CycleTimes& t,
                                                                         std::uint16_t have,
                                                                         std::uint16_t want) const {
  if (have == want) return std::chrono::microseconds(0);
  if (have != kErasedValue) return std::nullopt;
  return ErasedCost(t, want);
}

std::chrono::microseconds WritesWithoutErase::ErasedCost(const CycleTimes& t,
                                                         std::uint16_t want) const {
  return want == kErasedValue ? std::chrono::microseconds(0) : t.eraseProgram;
}

int WritesWithoutErase::WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                                     const std::vector<std::uint16_t>& have,
                                     const ShowAddress& show) const {
  return WriteWordByWord(s, want, have, show, false);
}

void WritesWithoutErase::WriteIdsAndConfig(Session& s, const ConfigMemory& want,
                                           const ConfigMemory& have,
                                           const ShowAddress& atConfigWord) const {
  WriteChangedIdsAndConfig(s, want, have, atConfigWord);
}

int WriteWordByWord(Session& s, const std::vector<std::uint16_t>& want,
                    const std::vector<std::uint16_t>& have, const ShowAddress& show,
                    bool programOnlyWhenErased) {
  return s.Walk(static_cast<int>(want.size()) - 1, [&](int a) {
    show(a);
    const auto i = static_cast<std::size_t>(a);
    if (have[i] == want[i]) return true;
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(want[i]));
    // Programming only cannot set a bit: only an erased word takes it.
    if (programOnlyWhenErased && have[i] == kErasedValue && s.cycles.HasProgramOnly()) {
      s.ProgramOnly();
    } else {
      s.Program();
    }
    s.Command(cmd::kReadDataProgram);
    return WordOf(s.Read()) == want[i];
  });
}

void WriteChangedIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                              const ShowAddress& atConfigWord) {
  const FamilyDescriptor& family = *s.model->family;
  s.GoToConfig(kErasedWord, 0);
  int at = family.configBase;
  for (int address : WrittenConfigAddresses(family)) {
    for (; at < address; ++at) s.Increment();
    const std::size_t j = family.ConfigIndex(address);
    const bool word = family.IsConfigWord(address);
    const std::uint16_t mask = word ? family.ConfigMaskAt(address) : kErasedValue;
    if ((have[j] & mask) != (want[j] & mask)) {
      s.Command(cmd::kLoadDataProgram);
      s.Data(ToBitString(want[j]));
      s.Program();
    }
    if (word && atConfigWord) atConfigWord(address);
    // The counter stays on the last word written.
    if (!word) {
      s.Increment();
      ++at;
    }
  }
}

namespace {

// "" when the attached part shows the model's own device ID, otherwise what to tell the
// user. Leaves programming mode entered again at address 0.
std::string CheckAttachedPart(Session& s, const DeviceModel& model) {
  const std::uint16_t id = WordOf(s.ReadDeviceId());
  if (model.Identifies(id)) return {};
  const std::string name(model.modelName);
  // Every part with a device ID shows one: all ones or all zeros is a data line nobody
  // drives (an empty socket, no VPP), which would otherwise read as a blank chip.
  if (id == 0x0000 || id == kErasedValue) {
    return "No se encontró un PIC " + name + " en el programador (ID 0x" + AddressText(id) + ")" +
           AlgorithmOf(model).NoAnswerHint();
  }
  const int other = ModelIndexById(id);
  // The older families go on with a part that shows no known ID, as they always did; one
  // that shows another part's ID would be read or written as something it is not.
  if (!AlgorithmOf(model).ChecksDeviceId() && (other == 0 || other == model.index)) return {};
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(id));
  const std::string found =
      other != 0 ? "un PIC " + std::string(ModelByIndex(other)->listText) : "otro PIC";
  return "El PIC del programador es " + found + " (ID 0x" + hex + "), no un " + name +
         "\r\rElija su modelo o \"Autodetectar\"";
}

// For a row that also holds a part without a device ID (the 16F84), which cannot be told
// from a stranger nor, when its data line reads 1, from a blank chip: "" unless the IDs, the
// device ID and the configuration word all read 0, a data line held low. Reading all ones is
// what a blank part without an ID may show, so it is let through. Leaves a fresh entry at 0.
std::string CheckLineAnswers(Session& s, const DeviceModel& model) {
  const ConfigMemory read = ReadIdsAndConfig(s);
  const std::uint16_t id = WordOf(s.ReadDeviceId());
  for (std::size_t j = 0; j < 4; ++j) {
    if (read[j] != 0) return {};
  }
  if (id != 0 || read[kConfigWordIndex] != 0) return {};
  return "No se encontró un PIC " + std::string(model.modelName) +
         " en el programador (la memoria de configuración se lee 0x0000)";
}

}  // namespace

Outcome StartOnModel(Session& s) {
  // Every operation enters here first: a part that takes less than the adapter's VPP is
  // asked about before it sees any.
  if (!ConfirmVppLimit(s)) {
    s.op.HideProgress();
    LinesOff(s.link);
    return Outcome::Cancelled();
  }
  // A model chosen by hand is checked too; a row that also holds a part without an ID only
  // for a data line that nothing drives (that check enters by itself).
  std::string wrong;
  if (s.chosenByHand && s.model->identifiedCycles) {
    wrong = CheckLineAnswers(s, *s.model);
  } else {
    s.Enter();
    if (AlgorithmOf(*s.model).ChecksDeviceId() || s.chosenByHand) {
      wrong = CheckAttachedPart(s, *s.model);
    }
  }
  if (!wrong.empty()) return Outcome::Ended(s.Finish("Error", wrong, result::kNone));
  return Outcome::Ok();
}

ConfigMemoryWant WrittenIdsAndConfig(const HexImage& image, std::string_view config,
                                     const FamilyDescriptor& family) {
  ConfigMemoryWant want;
  for (std::size_t j = 0; j < 4; ++j) {
    if (FileDecidesId(image, family, j))
      want.words[j] = WordOf(IdWordBits(image.IdWords()[j], family.idBits));
  }
  for (int k = 0; k < family.configWords; ++k) {
    if (family.IsCalibration(family.FirstConfigWord() + k)) continue;
    want.words[kConfigWordIndex + static_cast<std::size_t>(k)] = ConfigWordAt(config, k);
  }
  return want;
}

ConfigMemory ReadIdsAndConfig(Session& s) {
  s.Reset();
  s.Enter();
  s.GoToConfig(kConfigReadWord, 0);
  ConfigMemory read = ErasedConfigMemory();
  for (std::size_t j = 0; j < 4; ++j) {
    s.Command(cmd::kReadDataProgram);
    read[j] = WordOf(s.Read());
    s.Increment();
  }
  for (int i = 0; i < 3; ++i) s.Increment();
  const FamilyDescriptor& family = *s.model->family;
  const int end = family.ConfigMemoryEnd();
  for (int address = family.FirstConfigWord(); address <= end; ++address) {
    if (address > family.FirstConfigWord()) s.Increment();
    s.Command(cmd::kReadDataProgram);
    read[family.ConfigIndex(address)] = WordOf(s.Read());
  }
  s.Reset();
  s.Enter();
  return read;
}

Outcome CheckIdsAndConfig(Session& s, const ConfigMemoryWant& want, std::string_view action) {
  return CompareIdsAndConfig(*s.model->family, ReadIdsAndConfig(s), want, action);
}

Outcome CompareIdsAndConfig(const FamilyDescriptor& family, const ConfigMemory& read,
                            const ConfigMemoryWant& want, std::string_view action) {
  const auto differs = [&](const char* what, int address, std::uint16_t got, std::uint16_t wanted) {
    std::string text = "Error al " + std::string(action) + " " + what + "\rDirección 0x" +
                       AddressText(address) + ": se leyó 0x" + AddressText(got) +
                       ", se esperaba 0x" + AddressText(wanted);
    // All ones or all zeros: the part is most likely not answering at all.
    if (got == 0x0000 || got == kErasedValue) text += family.algorithm.NoAnswerHint();
    return Outcome::Failed(text);
  };
  for (std::size_t j = 0; j < want.words.size(); ++j) {
    const int address = family.configBase + static_cast<int>(j);
    if (!want.words[j] || family.IsCalibration(address)) continue;
    if (j < 4) {
      if (read[j] != *want.words[j]) return differs("ID", address, read[j], *want.words[j]);
      continue;
    }
    if (!family.IsConfigWord(address)) continue;
    // The factory's bits too: the callers put the chip's own in `want`.
    const std::uint16_t mask = family.ConfigMaskAt(address);
    if ((read[j] & mask) != (*want.words[j] & mask)) {
      return differs(
          address == family.FirstConfigWord() ? "Configuration Word" : "Configuration Word 2",
          address, read[j], *want.words[j]);
    }
  }
  return Outcome::Ok();
}

std::vector<std::string> CalibrationLines(const FamilyDescriptor& family,
                                          const ChipContents& read) {
  std::vector<std::string> lines;
  for (int address : family.calibrationWords) {
    const std::uint16_t word = read.Word(address).value_or(kErasedValue);
    lines.push_back("Calibración 0x" + AddressText(address) + ": 0x" + AddressText(word) +
                    (word == kErasedValue ? " (perdida)" : ""));
  }
  return lines;
}

std::string CalibrationFileNote(const FamilyDescriptor& family, const HexImage& image) {
  std::string note;
  for (int address : family.calibrationWords) {
    if (!image.ConfigWord(address)) continue;
    if (!note.empty()) note += "\r";
    note += "Nota: el archivo trae un valor en 0x" + AddressText(address) +
            " (calibración de fábrica); no se escribe";
  }
  return note;
}

bool ConfirmVppLimit(Session& s) { return ConfirmVppLimit(s.op, *s.model, s.link.GetWiring()); }

namespace {

// The question for a part whose VPP range leaves out the adapter's, naming both figures;
// empty when the adapter's VPP fits.
std::string VppQuestion(const DeviceModel& model, int adapterVolts) {
  const std::string part = "El PIC " + std::string(model.modelName);
  const std::string adapter = std::to_string(adapterVolts);
  const int most = model.family->vppLimitVolts;
  if (most > 0 && adapterVolts > most) {
    const std::string volts = std::to_string(most);
    return part + " admite como máximo " + volts + " V en MCLR (VPP) y el adaptador aplica " +
           adapter +
           " V\r\r"
           "Fuera del límite de este PIC, que puede dañarse. Use un programador cuya VPP no pase "
           "de " +
           volts + " V (y declárelo con vpp-voltios en su archivo de adaptador).";
  }
  if (model.vppMinVolts > adapterVolts) {
    return part + " necesita al menos " + std::to_string(model.vppMinVolts) +
           " V en MCLR (VPP) y el adaptador aplica " + adapter +
           " V\r\rPor debajo de ese valor el PIC puede no entrar en modo de programación o "
           "escribir mal.";
  }
  return {};
}

}  // namespace

bool ConfirmVppLimit(Operator& op, const DeviceModel& model, const Wiring& wiring) {
  const int adapterVolts = wiring.VppVolts();
  const std::string question = VppQuestion(model, adapterVolts);
  if (question.empty()) return true;
  return op.ConfirmOnce("vpp " + std::string(model.modelName) + " " + std::to_string(adapterVolts),
                        "Confirmar", question + "\r\r                 ¿ Desea continuar ?");
}

std::string VddRefusal(const DeviceModel& model, const Wiring& wiring) {
  if (model.hvVdd.empty() || wiring.vddLimited) return {};
  const std::string volts(model.hvVdd);
  return "El PIC " + std::string(model.modelName) +
         " lleva un regulador shunt: sin una resistencia en serie admite como máximo " + volts +
         " V en VDD, y este adaptador da 5 V fijos, que lo dañarían\r\r"
         "No se programa. Ponga una resistencia en serie con VDD o una fuente limitada (" +
         volts + " V como máximo) y declárelo con vdd-limitada=sí en el archivo del adaptador.";
}

bool OnlyClearsBits(std::string_view before, std::string_view want) {
  for (std::size_t i = 0; i < want.size() && i < before.size(); ++i) {
    if (want[i] == '1' && before[i] == '0') return false;
  }
  return true;
}

}  // namespace daxwel::detail
