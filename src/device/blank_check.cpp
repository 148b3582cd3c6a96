#include "device/blank_check.h"

namespace daxwel {

namespace {

constexpr std::uint16_t kWordBits = 0x3FFF;

// A configuration word is erased when every bit it stores reads 1, the factory's aside.
bool ConfigErased(const FamilyDescriptor& family, int address, std::uint16_t value) {
  const auto stored =
      static_cast<std::uint16_t>(family.ConfigMaskAt(address) & family.WritableBits(address));
  return (value & stored) == stored;
}

}  // namespace

std::vector<NonBlank> FindNonBlank(const ChipContents& contents, const FamilyDescriptor& family) {
  std::vector<NonBlank> found;
  for (std::size_t a = 0; a < contents.program.size(); ++a) {
    const auto bits = family.WritableBits(static_cast<int>(a));
    if ((contents.program[a] & bits) != bits) {
      found.push_back({"Memoria de programa", static_cast<int>(a), contents.program[a]});
      break;
    }
  }
  for (std::size_t i = 0; i < contents.eeprom.size(); ++i) {
    if (contents.eeprom[i] != 0xFF) {
      found.push_back({"Memoria de datos (EEPROM)", static_cast<int>(i), contents.eeprom[i]});
      break;
    }
  }
  for (std::size_t j = 0; j < contents.ids.size(); ++j) {
    if ((contents.ids[j] & kWordBits) != kWordBits) {
      found.push_back({"ID", contents.configBase + static_cast<int>(j), contents.ids[j]});
      break;
    }
  }
  // The first configuration word that is not erased; calibration words are the factory's.
  const ConfigMemoryMap map = family.ConfigMap();
  for (const ConfigCell& cell : map.Cells()) {
    if (cell.kind != ConfigCellKind::ConfigWord) continue;
    const auto word = contents.Word(cell.address);
    if (word && !ConfigErased(family, cell.address, *word)) {
      found.push_back({"Configuración", cell.address, *word});
      break;
    }
  }
  return found;
}

}  // namespace daxwel
