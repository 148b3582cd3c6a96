#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/family.h"

namespace daxwel {

// Worst case of each self-timed cycle a part offers; a programmer may only go on after it.
struct CycleTimes {
  std::chrono::microseconds eraseProgram;  // Begin Erase/Programming Cycle (001000)
  // Begin Programming Only Cycle (011000) on an erased word; zero when the part has none.
  std::chrono::microseconds programOnly;
  std::chrono::microseconds bulkErase;  // chip erase and the bulk erases
  bool HasProgramOnly() const { return programOnly.count() > 0; }
};

struct DeviceModel {
  int index;                   // 1..8, position in the model list
  std::string_view listText;   // "16F84/84A"
  std::string_view modelName;  // "16F84"
  int programWords;
  int eepromBytes;
  Family family;
  std::string_view idPattern;  // characters 3..9 of the device ID BitString
  // Cycle times of a part whose device ID is unknown or does not match `idPattern`.
  CycleTimes cycles;
  // Faster cycles for a row that also holds an older part without a device ID: they apply
  // only once the part has shown `idPattern`.
  std::optional<CycleTimes> identifiedCycles;
  int LastProgramAddress() const { return programWords - 1; }
  int LastDataAddress() const { return eepromBytes - 1; }
};

inline constexpr std::string_view kAutodetect = "Autodetectar";

std::span<const DeviceModel> Catalogue();
// nullptr outside 1..8.
const DeviceModel* ModelByIndex(int index);
// 0 when no row has that pattern.
int ModelIndexByPattern(std::string_view pattern);
// "Autodetectar" then the eight list texts.
std::vector<std::string> ModelListTexts();

}  // namespace daxwel
