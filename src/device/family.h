#pragma once

#include <cstdint>

#include "config/layout.h"

namespace daxwel {

namespace detail {
class FamilyAlgorithm;
}

// Code protection as the configuration word shows it: a part refuses when any bit of the
// mask reads 0 (protection bits are active low on every family).
struct Protection {
  std::uint16_t writesMask;  // bits whose 0 makes program and verify stop before any write
  std::uint16_t readsMask;   // bits whose 0 makes a read return zeros somewhere
  bool RefusesWrites(std::uint16_t config) const { return (config & writesMask) != writesMask; }
  bool RefusesReads(std::uint16_t config) const { return (config & readsMask) != readsMask; }
};

// Everything the operations need to know of one family of parts; a catalogue row points to
// one. Families that share an algorithm differ in their protection and layout.
struct FamilyDescriptor {
  const detail::FamilyAlgorithm& algorithm;
  Protection protection;
  // Configuration bits the part stores; the others read as the silicon pleases and are never
  // compared.
  std::uint16_t configMask;
  // The configuration word's fields: the summary, the dialog and the --config names.
  const ConfigLayout* layout;
};

}  // namespace daxwel
