#include "device/catalogue.h"

#include <array>

namespace daxwel {

namespace {

using std::chrono::milliseconds;

// The 16F84/84A row must use the 16F84's slow cell: the two parts cannot be told apart.
constexpr std::array<DeviceModel, 8> kModels{{
    {1, "16F84/84A", "16F84", 1024, 64, Family::F84, "0101011", milliseconds(20)},
    {2, "16F870", "16F870", 2048, 64, Family::F870, "1101000", milliseconds(8)},
    {3, "16F871", "16F871", 2048, 64, Family::F870, "1101001", milliseconds(8)},
    {4, "16F872", "16F872", 2048, 64, Family::F870, "1000111", milliseconds(8)},
    {5, "16F873", "16F873", 4096, 128, Family::F873, "1001011", milliseconds(8)},
    {6, "16F874", "16F874", 4096, 128, Family::F873, "1001001", milliseconds(8)},
    {7, "16F876", "16F876", 8192, 256, Family::F876, "1001111", milliseconds(8)},
    {8, "16F877", "16F877", 8192, 256, Family::F876, "1001101", milliseconds(8)},
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
