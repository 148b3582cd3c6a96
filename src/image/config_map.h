#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace daxwel {

// What a configuration-memory location holds.
enum class ConfigCellKind { Id, DeviceId, ConfigWord, Calibration };

struct ConfigCell {
  int address;  // word address
  ConfigCellKind kind;
  std::uint16_t mask;  // the bits the part implements there
};

// Where a part keeps its IDs, device ID, configuration and calibration words, by word address
// (a HEX file holds word w at byte 2w), and the bits each implements. The layout from the base
// is the same on every mid-range part: four IDs, the device ID at base + 6, configuration words
// from base + 7; only the base and what follows the first configuration word differ.
class ConfigMemoryMap {
 public:
  static constexpr int kClassicBase = 0x2000;
  // The region a base opens: configuration memory never reaches past base + 0xFF.
  static constexpr int kRegionWords = 0x100;
  // Increments past the base (where Load Configuration leaves the counter) of the device ID
  // and the first configuration word.
  static constexpr int kDeviceIdOffset = 6;
  static constexpr int kFirstConfigOffset = 7;

  // A part with one configuration word of 14 bits at 0x2007.
  ConfigMemoryMap();
  // `configMasks` gives one mask per configuration word from base + 7; `calibration` the
  // addresses of the factory calibration words, which are calibration even where they fall
  // among the configuration words.
  ConfigMemoryMap(int base, std::span<const std::uint16_t> configMasks,
                  std::span<const int> calibration, std::uint16_t idMask = 0x3FFF);

  int Base() const { return base_; }
  int FirstId() const { return base_; }
  int DeviceIdAddress() const { return base_ + kDeviceIdOffset; }
  int FirstConfigWord() const { return base_ + kFirstConfigOffset; }
  // In address order.
  std::span<const ConfigCell> Cells() const { return cells_; }
  // nullptr where the part declares nothing.
  const ConfigCell* Find(int address) const;
  bool Is(int address, ConfigCellKind kind) const;
  // The last address declared.
  int End() const { return cells_.back().address; }
  bool InRegion(int address) const { return address >= base_ && address < base_ + kRegionWords; }
  // Whether a HEX file's word at `address` is taken: the IDs, and every word from the first
  // configuration word to the last the part declares, and at least the two after the first.
  // Files of every mid-range part may carry those two (a second configuration word,
  // calibration words); they are read, and their faults reported, whatever the part, and the
  // operations leave out what a part lacks. The device ID is never taken from a file.
  bool FileCarries(int address) const;

 private:
  int base_;
  std::vector<ConfigCell> cells_;
};

}  // namespace daxwel
