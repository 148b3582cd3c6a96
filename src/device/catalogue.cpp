#include "device/catalogue.h"

#include <array>

namespace daxwel {

namespace {

using std::chrono::milliseconds;

// Figures from the parts' programming specifications: "PIC16F8X EEPROM Memory Programming
// Specification" (DS30262) for the 16F84A and "PIC16F87X Flash Memory Programming
// Specification" (DS39025) for the 16F87X. The 16F84 without A has no device ID and a slower
// cell, so its row waits 20 ms for everything until the part shows a 16F84A ID. We could not
// confirm a Begin Programming Only time of the 16F84A's own, so it keeps the Begin
// Erase/Programming Cycle.
constexpr CycleTimes k16F84{milliseconds(20), milliseconds(0), milliseconds(20)};
constexpr CycleTimes k16F84A{milliseconds(8), milliseconds(0), milliseconds(10)};
// tera + tprog = 4 + 4 ms for an erase/program cycle, tprog = 4 ms programming only.
constexpr CycleTimes k16F87X{milliseconds(8), milliseconds(4), milliseconds(8)};

constexpr std::array<DeviceModel, 8> kModels{{
    {1, "16F84/84A", "16F84", 1024, 64, Family::F84, "0101011", k16F84, k16F84A},
    {2, "16F870", "16F870", 2048, 64, Family::F870, "1101000", k16F87X, {}},
    {3, "16F871", "16F871", 2048, 64, Family::F870, "1101001", k16F87X, {}},
    {4, "16F872", "16F872", 2048, 64, Family::F870, "1000111", k16F87X, {}},
    {5, "16F873", "16F873", 4096, 128, Family::F873, "1001011", k16F87X, {}},
    {6, "16F874", "16F874", 4096, 128, Family::F873, "1001001", k16F87X, {}},
    {7, "16F876", "16F876", 8192, 256, Family::F876, "1001111", k16F87X, {}},
    {8, "16F877", "16F877", 8192, 256, Family::F876, "1001101", k16F87X, {}},
}};

}  // namespace

std::span<const DeviceModel> Catalogue() { return kModels; }

const DeviceModel* ModelByIndex(int index) {
  if (index < 1 || index > static_cast<int>(kModels.size())) return nullptr;
  return &kModels[static_cast<std::size_t>(index - 1)];
}

int ModelIndexByPattern(std::string_view pattern) {
  for (const DeviceModel& m : kModels) {
    if (m.idPattern == pattern) return m.index;
  }
  return 0;
}

std::vector<std::string> ModelListTexts() {
  std::vector<std::string> texts{std::string(kAutodetect)};
  for (const DeviceModel& m : kModels) texts.emplace_back(m.listText);
  return texts;
}

}  // namespace daxwel
