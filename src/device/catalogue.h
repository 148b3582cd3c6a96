#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/family.h"

namespace daxwel {

// Worst case of each self-timed cycle a part offers; a programmer may only go on after it.
struct CycleTimes {
  // Begin Erase/Programming Cycle (001000) on one word: a program word of the older parts, an
  // ID or the configuration word (on the 16F62XA it programs without erasing).
  std::chrono::microseconds eraseProgram;
  // Begin Programming Only Cycle (011000) on an erased word; zero when the part has none.
  std::chrono::microseconds programOnly;
  std::chrono::microseconds bulkErase;  // chip erase and the bulk erases
  // Parts that write program memory in 8-word rows: erase and program a row (001000), program
  // a row only (011000 up to End Programming), and the discharge after End Programming.
  std::chrono::microseconds rowProgram{0};
  std::chrono::microseconds rowProgramOnly{0};
  std::chrono::microseconds discharge{0};
  // The 16F62XA: a pause after entering programming mode before an erase.
  std::chrono::microseconds beforeErase{0};
  bool HasProgramOnly() const { return programOnly.count() > 0; }
};

// One programming line at the package: the pin's name and number, 0 where our documents do not
// give the number.
struct IcspPin {
  std::string_view name;
  int number;
};
// Where the adapter's clock, data and VPP reach a package; packagePins 0 where not known.
struct IcspPins {
  int packagePins;
  IcspPin clock;
  IcspPin data;
  IcspPin vpp;
};

struct DeviceModel {
  int index;                   // 1.., position in the model list
  std::string_view listText;   // "16F84/84A"
  std::string_view modelName;  // "16F84"
  // Another name the row answers to ("16F84A"), or "".
  std::string_view alias;
  int programWords;
  int eepromBytes;
  const FamilyDescriptor* family;
  // The device ID (0x2006) with its revision and ignored bits cleared, and the bits that
  // name the part: 11..5 on the original parts, 13..5 on the later ones.
  std::uint16_t deviceId;
  std::uint16_t deviceIdMask;
  // Cycle times of a part whose device ID is unknown or does not match.
  CycleTimes cycles;
  // Faster cycles for a row that also holds an older part without a device ID: they apply
  // only once the part has shown the row's own ID.
  std::optional<CycleTimes> identifiedCycles;
  // The ICSP pins of the package; nullptr where our documents do not give them.
  const IcspPins* pins = nullptr;
  bool Identifies(std::uint16_t word) const { return (word & deviceIdMask) == deviceId; }
  // Whether `text` (upper case, without "PIC") names this row.
  bool Answers(std::string_view text) const {
    return text == listText || text == modelName || (!alias.empty() && text == alias);
  }
};

inline constexpr std::string_view kAutodetect = "Autodetectar";

std::span<const DeviceModel> Catalogue();
// nullptr outside the catalogue.
const DeviceModel* ModelByIndex(int index);
// The row a device ID (0x2006) names, revision ignored; 0 when none does.
int ModelIndexById(std::uint16_t id);
// The row's configuration layout; nullptr outside the catalogue.
const ConfigLayout* ConfigLayoutOf(int index);
// Every layout a row points to, once each, in row order.
std::vector<const ConfigLayout*> ConfigLayouts();
// "Autodetectar" then the list texts.
std::vector<std::string> ModelListTexts();
// Every model name and alias in list order, joined by `separator`: the help texts' list.
std::string ModelNames(std::string_view separator);
// The row "auto", a list text, a model name or an alias names (case ignored, "PIC" prefix
// allowed): 0 for "auto"/"Autodetectar", nothing for an unknown name.
std::optional<int> ModelIndexByName(std::string_view text);

}  // namespace daxwel
