#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/family.h"
#include "device/operator.h"
#include "image/hex_writer.h"
#include "link/line_driver.h"

namespace daxwel {

namespace result {
// Any unexpected failure while reading (the other operations' catch-all words).
inline constexpr const char* kReadFailure = "read_error";
}  // namespace result

enum class ReadScope {
  Everything,        // program memory, data EEPROM, ID words, configuration word, device ID
  ConfigurationOnly  // ID words, device ID and configuration word; works on protected chips
};

struct ReadOutcome {
  // "ok", the empty text (nothing detected), "cp-error", "read_error" or "abandoned".
  std::string result;
  int modelIndex = 0;     // the model read, 0 when none
  ChipContents contents;  // program and eeprom are empty with ConfigurationOnly
  std::uint16_t deviceId = 0;
  // ConfigurationOnly: the bits the part keeps from the factory, each word as read.
  struct Factory {
    const PreservedBits* where;
    std::uint16_t value;  // in place in its word
    std::uint16_t word;   // the whole word read
  };
  std::vector<Factory> factory;
};

// Reads the attached chip back for the operator's model (detecting it when the model list
// stands on "Autodetectar"). With Everything a code-protected chip is refused with the
// code-protection message before anything else is read: its protected memory would read as
// zeros. Progress goes through the operator; the lines are 0 on every way out. No final
// message: the caller says what it did with the contents.
ReadOutcome ReadDevice(Link& link, Operator& op, ReadScope scope = ReadScope::Everything);

}  // namespace daxwel
