#pragma once

#include <chrono>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/family.h"

namespace daxwel {

struct DeviceModel {
  int index;                   // 1..8, position in the model list
  std::string_view listText;   // "16F84/84A"
  std::string_view modelName;  // "16F84"
  int programWords;
  int eepromBytes;
  Family family;
  std::string_view idPattern;           // characters 3..9 of the device ID BitString
  std::chrono::microseconds cycleTime;  // worst-case erase/programming cycle
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
