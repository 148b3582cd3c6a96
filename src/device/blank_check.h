#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/family.h"
#include "image/hex_writer.h"

namespace daxwel {

// The first location of one memory that does not hold its erased value.
struct NonBlank {
  std::string memory;  // the memory's caption, as the listing heads it
  int address;         // a program word, a data byte or a configuration-memory address
  std::uint16_t value;
};

// One entry per memory that is not erased, in the order program, data, ID, configuration. Erased
// is all ones in the bits each location stores: 14 in program and ID words, 8 in data bytes, the
// family's masks in the configuration words. The factory's bits and calibration words are never
// erased and never counted.
std::vector<NonBlank> FindNonBlank(const ChipContents& contents, const FamilyDescriptor& family);

}  // namespace daxwel
