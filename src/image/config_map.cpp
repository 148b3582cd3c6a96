#include "image/config_map.h"

#include <algorithm>

namespace daxwel {

namespace {

constexpr std::uint16_t kOneWord[] = {0x3FFF};

}  // namespace

ConfigMemoryMap::ConfigMemoryMap() : ConfigMemoryMap(kClassicBase, kOneWord, {}) {}

ConfigMemoryMap::ConfigMemoryMap(int base, std::span<const std::uint16_t> configMasks,
                                 std::span<const int> calibration, std::uint16_t idMask)
    : base_(base) {
  for (int j = 0; j < 4; ++j) cells_.push_back({base + j, ConfigCellKind::Id, idMask});
  cells_.push_back({DeviceIdAddress(), ConfigCellKind::DeviceId, 0x3FFF});
  for (std::size_t k = 0; k < configMasks.size(); ++k) {
    const int address = FirstConfigWord() + static_cast<int>(k);
    if (std::find(calibration.begin(), calibration.end(), address) != calibration.end()) continue;
    cells_.push_back({address, ConfigCellKind::ConfigWord, configMasks[k]});
  }
  for (int address : calibration) {
    if (Find(address) == nullptr) cells_.push_back({address, ConfigCellKind::Calibration, 0x3FFF});
  }
  std::sort(cells_.begin(), cells_.end(),
            [](const ConfigCell& a, const ConfigCell& b) { return a.address < b.address; });
}

const ConfigCell* ConfigMemoryMap::Find(int address) const {
  for (const ConfigCell& c : cells_) {
    if (c.address == address) return &c;
  }
  return nullptr;
}

bool ConfigMemoryMap::Is(int address, ConfigCellKind kind) const {
  const ConfigCell* c = Find(address);
  return c != nullptr && c->kind == kind;
}

bool ConfigMemoryMap::FileCarries(int address) const {
  if (Is(address, ConfigCellKind::Id)) return true;
  const int last = std::max(End(), FirstConfigWord() + 2);
  return address >= FirstConfigWord() && address <= last;
}

}  // namespace daxwel
