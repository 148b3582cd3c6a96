#include "device/algorithm.h"

#include <cstdio>

namespace daxwel::detail {

const FamilyAlgorithm& ClassicAlgorithm();
const FamilyAlgorithm& F87xaAlgorithm();
const FamilyAlgorithm& F62xaAlgorithm();

const FamilyAlgorithm& AlgorithmOf(const DeviceModel& model) {
  switch (model.algorithm) {
    case Algorithm::F87XA:
      return F87xaAlgorithm();
    case Algorithm::F62XA:
      return F62xaAlgorithm();
    case Algorithm::Classic:
      break;
  }
  return ClassicAlgorithm();
}

int FamilyAlgorithm::WriteData(Session& s, const HexImage& image, const ShowAddress& show) const {
  return s.Walk(image.EepromEnd, [&](int i) {
    show(i);
    return s.WriteIfDifferent(cmd::kReadDataData, cmd::kLoadDataData,
                              ToBitString(image.EepromWords[static_cast<std::size_t>(i)]),
                              SameDataByte);
  });
}

void FamilyAlgorithm::WriteIdsAndConfig(Session& s, const HexImage& image,
                                        std::string_view config) const {
  s.GoToConfig("00000000000000", 0);
  for (std::int16_t idWord : image.IdWords) {
    s.Command(cmd::kLoadDataProgram);
    s.Data("1111111000" + ToBitString(idWord).substr(10));
    s.Program();
    s.Increment();
  }
  for (int i = 0; i < 3; ++i) s.Increment();
  s.Command(cmd::kLoadDataProgram);
  s.Data(config);
  s.Program();
}

bool ChecksAttachedPart(const Session& s, const DeviceModel& model) {
  if (AlgorithmOf(model).ChecksDeviceId()) return true;
  // A row that also holds a part without an ID (the 16F84) cannot tell a stranger from it.
  return s.chosenByHand && !model.identifiedCycles && !model.idPattern.empty();
}

std::string CheckAttachedPart(Session& s, const DeviceModel& model) {
  const std::string id = s.ReadDeviceId();
  if (model.Identifies(id)) return {};
  const int other = ModelIndexById(id);
  // The older families go on with a part that shows no known ID, as they always did; one
  // that shows another part's ID would be read or written as something it is not.
  if (!AlgorithmOf(model).ChecksDeviceId() && (other == 0 || other == model.index)) return {};
  const unsigned value = static_cast<unsigned>(FromBitString(id) & 0x3FFF);
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", value);
  const std::string name(model.modelName);
  if (value == 0x0000 || value == 0x3FFF) {
    return "No se encontró un PIC " + name + " en el programador (ID 0x" + hex + ")" +
           AlgorithmOf(model).NoAnswerHint();
  }
  const std::string found =
      other != 0 ? "un PIC " + std::string(ModelByIndex(other)->listText) : "otro PIC";
  return "El PIC del programador es " + found + " (ID 0x" + hex + "), no un " + name +
         "\r\rElija su modelo o \"Autodetectar\"";
}

bool OnlyClearsBits(std::string_view before, std::string_view want) {
  for (std::size_t i = 0; i < want.size() && i < before.size(); ++i) {
    if (want[i] == '1' && before[i] == '0') return false;
  }
  return true;
}

}  // namespace daxwel::detail
