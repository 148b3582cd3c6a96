#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/family.h"
#include "config/layout.h"

namespace daxwel {

// Worst case of each self-timed cycle a part offers; a programmer may only go on after it.
struct CycleTimes {
  // Begin Erase/Programming Cycle (001000) on one word: a program word of the older parts, an
  // ID or the configuration word (on the 16F62XA it programs without erasing).
  std::chrono::microseconds eraseProgram;
  // Begin Programming Only Cycle (011000) on an erased word; zero when the part has none.
  std::chrono::microseconds programOnly;
  std::chrono::microseconds bulkErase;  // chip erase and the bulk erases
  std::chrono::microseconds dataWrite;  // one data EEPROM byte
  // Parts that write program memory in 8-word rows: erase and program a row (001000), program
  // a row only (011000 up to End Programming), and the discharge after End Programming.
  std::chrono::microseconds rowProgram{0};
  std::chrono::microseconds rowProgramOnly{0};
  std::chrono::microseconds discharge{0};
  // The 16F62XA: a pause after entering programming mode before an erase.
  std::chrono::microseconds beforeErase{0};
  bool HasProgramOnly() const { return programOnly.count() > 0; }
};

// How a family writes and erases; each has its own small algorithm object (algorithm.h).
enum class Algorithm { Classic, F87XA, F62XA };

struct DeviceModel {
  int index;                   // 1..15, position in the model list
  std::string_view listText;   // "16F84/84A"
  std::string_view modelName;  // "16F84"
  int programWords;
  int eepromBytes;
  Family family;
  const ConfigLayout* configLayout;  // the configuration word, its summary and its dialog
  // Characters 3..9 of the device ID BitString (bits 11..5) for the original parts, whose
  // detection ignores the two top bits; characters 1..9 (bits 13..5) for the later parts.
  std::string_view idPattern;
  // Cycle times of a part whose device ID is unknown or does not match `idPattern`.
  CycleTimes cycles;
  // Faster cycles for a row that also holds an older part without a device ID: they apply
  // only once the part has shown `idPattern`.
  std::optional<CycleTimes> identifiedCycles;
  Algorithm algorithm = Algorithm::Classic;
  // Whether `word` (a 14-character device ID) names this part, revision bits ignored.
  bool Identifies(std::string_view word) const {
    return word.size() == 14 && word.substr(9 - idPattern.size(), idPattern.size()) == idPattern;
  }
  int LastProgramAddress() const { return programWords - 1; }
  int LastDataAddress() const { return eepromBytes - 1; }
};

inline constexpr std::string_view kAutodetect = "Autodetectar";

std::span<const DeviceModel> Catalogue();
// nullptr outside the catalogue.
const DeviceModel* ModelByIndex(int index);
// The row a 14-character device ID word names, revision ignored; 0 when none does.
int ModelIndexById(std::string_view word);
// The row's configuration layout; nullptr outside the catalogue.
const ConfigLayout* ConfigLayoutOf(int index);
// Every layout a row points to, once each, in row order.
std::vector<const ConfigLayout*> ConfigLayouts();
// "Autodetectar" then the list texts.
std::vector<std::string> ModelListTexts();

}  // namespace daxwel
