#include "device/algorithm.h"

#include <cstdio>

#include "device/operations.h"

namespace daxwel::detail {

int FamilyAlgorithm::WriteData(Session& s, const HexImage& image, const ShowAddress& show) const {
  const std::chrono::microseconds wait = DataWriteTime(s.cycles);
  return s.Walk(image.EepromEnd, [&](int i) {
    show(i);
    const std::string want = ToBitString(image.EepromWords[static_cast<std::size_t>(i)]);
    s.Command(cmd::kReadDataData);
    if (SameDataByte(s.Read(), want)) return true;
    s.Command(cmd::kLoadDataData);
    s.Data(want);
    s.Cycle(cmd::kBeginEraseProgram, wait);
    s.Command(cmd::kReadDataData);
    return SameDataByte(s.Read(), want);
  });
}

void FamilyAlgorithm::WriteIdsAndConfig(Session& s, const std::array<std::uint16_t, 5>& want,
                                        const std::array<std::uint16_t, 5>& have) const {
  (void)have;
  s.GoToConfig(kZeroWord, 0);
  for (std::size_t j = 0; j < 4; ++j) {
    s.Command(cmd::kLoadDataProgram);
    s.Data(ToBitString(want[j]));
    s.Program();
    s.Increment();
  }
  for (int i = 0; i < 3; ++i) s.Increment();
  s.Command(cmd::kLoadDataProgram);
  s.Data(ToBitString(want[4]));
  s.Program();
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

void WritesWithoutErase::WriteIdsAndConfig(Session& s, const std::array<std::uint16_t, 5>& want,
                                           const std::array<std::uint16_t, 5>& have) const {
  WriteChangedIdsAndConfig(s, want, have);
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

void WriteChangedIdsAndConfig(Session& s, const std::array<std::uint16_t, 5>& want,
                              const std::array<std::uint16_t, 5>& have) {
  const std::uint16_t implemented = s.model->family->configMask;
  s.GoToConfig(kErasedWord, 0);
  for (std::size_t j = 0; j < want.size(); ++j) {
    const std::uint16_t mask = j == 4 ? implemented : kErasedValue;
    if ((have[j] & mask) != (want[j] & mask)) {
      s.Command(cmd::kLoadDataProgram);
      s.Data(ToBitString(want[j]));
      s.Program();
    }
    if (j == 3) {
      for (int i = 0; i < 3; ++i) s.Increment();
    }
    if (j < 4) s.Increment();
  }
}

namespace {

// "" when the attached part shows the model's own device ID, otherwise what to tell the
// user. Leaves programming mode entered again at address 0.
std::string CheckAttachedPart(Session& s, const DeviceModel& model) {
  const std::uint16_t id = WordOf(s.ReadDeviceId());
  if (model.Identifies(id)) return {};
  const int other = ModelIndexById(id);
  // The older families go on with a part that shows no known ID, as they always did; one
  // that shows another part's ID would be read or written as something it is not.
  if (!AlgorithmOf(model).ChecksDeviceId() && (other == 0 || other == model.index)) return {};
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(id));
  const std::string name(model.modelName);
  if (id == 0x0000 || id == 0x3FFF) {
    return "No se encontró un PIC " + name + " en el programador (ID 0x" + hex + ")" +
           AlgorithmOf(model).NoAnswerHint();
  }
  const std::string found =
      other != 0 ? "un PIC " + std::string(ModelByIndex(other)->listText) : "otro PIC";
  return "El PIC del programador es " + found + " (ID 0x" + hex + "), no un " + name +
         "\r\rElija su modelo o \"Autodetectar\"";
}

}  // namespace

std::optional<std::string> StartOnModel(Session& s) {
  s.Enter();
  // A model chosen by hand is checked too, unless its row also holds a part without an ID
  // (the 16F84), which cannot be told from a stranger.
  const bool byHand = s.chosenByHand && !s.model->identifiedCycles;
  if (!AlgorithmOf(*s.model).ChecksDeviceId() && !byHand) return std::nullopt;
  if (const std::string wrong = CheckAttachedPart(s, *s.model); !wrong.empty()) {
    return s.Finish("Error", wrong, result::kNone);
  }
  return std::nullopt;
}

ConfigMemoryWant WrittenIdsAndConfig(const HexImage& image, std::string_view config,
                                     std::uint16_t idBits) {
  ConfigMemoryWant want;
  for (std::size_t j = 0; j < want.ids.size(); ++j)
    want.ids[j] = WordOf(IdWordBits(image.IdWords[j], idBits));
  want.config = WordOf(config);
  return want;
}

std::array<std::uint16_t, 5> ReadIdsAndConfig(Session& s) {
  s.Reset();
  s.Enter();
  s.GoToConfig(kConfigReadWord, 0);
  std::array<std::uint16_t, 5> read{};
  for (std::size_t j = 0; j < 4; ++j) {
    s.Command(cmd::kReadDataProgram);
    read[j] = WordOf(s.Read());
    s.Increment();
  }
  for (int i = 0; i < 3; ++i) s.Increment();
  s.Command(cmd::kReadDataProgram);
  read[4] = WordOf(s.Read());
  s.Reset();
  s.Enter();
  return read;
}

std::string CheckIdsAndConfig(Session& s, const ConfigMemoryWant& want, std::string_view action) {
  const std::array<std::uint16_t, 5> read = ReadIdsAndConfig(s);

  const auto differs = [&](const char* what, int address, std::uint16_t got, std::uint16_t wanted) {
    std::string text = "Error al " + std::string(action) + " " + what + "\rDirección 0x" +
                       AddressText(address) + ": se leyó 0x" + AddressText(got) +
                       ", se esperaba 0x" + AddressText(wanted);
    // All ones or all zeros: the part is most likely not answering at all.
    if (got == 0x0000 || got == kErasedValue) text += AlgorithmOf(*s.model).NoAnswerHint();
    return text;
  };
  for (std::size_t j = 0; j < 4; ++j) {
    if (want.ids[j] && read[j] != *want.ids[j]) {
      return differs("ID", 0x2000 + static_cast<int>(j), read[j], *want.ids[j]);
    }
  }
  // The factory's bits too: the callers put the chip's own in `want`.
  const std::uint16_t mask = s.model->family->configMask;
  if (want.config && (read[4] & mask) != (*want.config & mask)) {
    return differs("Configuration Word", 0x2007, read[4], *want.config);
  }
  return {};
}

bool OnlyClearsBits(std::string_view before, std::string_view want) {
  for (std::size_t i = 0; i < want.size() && i < before.size(); ++i) {
    if (want[i] == '1' && before[i] == '0') return false;
  }
  return true;
}

}  // namespace daxwel::detail
