#pragma once

// The bits a part leaves the factory with and no erase may lose (a 12F675's OSCCAL RETLW and
// band-gap bits): read before anything is erased or written, checked, kept in the user's
// store, and written back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/family.h"
#include "device/session.h"

namespace daxwel::detail {

// One chip's values of its family's preserved bits, each in place in its word.
struct FactoryBits {
  struct Entry {
    const PreservedBits* where;
    std::uint16_t value;
    bool byHand = false;  // given by the user rather than read from the chip
  };
  std::vector<Entry> entries;

  // `word` for `address` with the factory's bits in place.
  std::uint16_t Apply(int address, std::uint16_t word) const;
  // The highest program address with preserved bits; -1 when none.
  int LastProgramAddress() const;
};

// Reads every preserved location of the model's family, each from a fresh entry. Leaves
// programming mode entered at address 0.
FactoryBits ReadFactoryBits(Session& s);

// Before a program or an erase: reads the factory bits, takes the values the user gave by
// hand (once confirmed), and refuses to go on when one cannot be the factory's. A good set is
// kept in the user's calibration store. nullopt to go on, in programming mode at address 0;
// otherwise the operation has been finished and this is its result word.
std::optional<std::string> SecureFactoryBits(Session& s, FactoryBits& bits);

// After an erase, from a fresh entry: writes the factory bits back (the program words one by
// one, then the configuration word). -1, or the address that did not take them.
int RestoreFactoryBits(Session& s, const FactoryBits& bits);

// "OSCCAL 0x3480 (0x03FF), BG 2": for messages and reports.
std::string DescribeFactoryBits(const FactoryBits& bits);

}  // namespace daxwel::detail
