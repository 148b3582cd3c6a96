#pragma once

#include <bit>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config/layout.h"
#include "image/config_map.h"

namespace daxwel {

namespace detail {
class FamilyAlgorithm;
}

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

// Code protection as the configuration word shows it: a part refuses when any bit of the
// mask reads 0 (protection bits are active low on every family).
struct Protection {
  std::uint16_t writesMask;  // bits whose 0 makes program and verify stop before any write
  std::uint16_t readsMask;   // bits whose 0 makes a read return zeros somewhere
  bool RefusesWrites(std::uint16_t config) const { return (config & writesMask) != writesMask; }
  bool RefusesReads(std::uint16_t config) const { return (config & readsMask) != readsMask; }
};

// Bits of one location that the part keeps from the factory whatever a file says there: a
// program pass reads them first and writes them back, and verify and the erase check compare
// nothing there.
struct PreservedBits {
  int address;  // a program address, or the configuration word's for bits of it
  std::uint16_t mask;
  // What the part's users call them ("OSCCAL", "BG"), for info, messages and the value given
  // by hand.
  std::string_view name{};
  // What a factory value always looks like: (value & checkMask) == checkValue. A chip that
  // shows anything else has lost it, or is not answering, and nothing may be erased.
  std::uint16_t checkMask = 0;
  std::uint16_t checkValue = 0;
  // That shape in words, for the message that refuses a chip without it.
  std::string_view shape{};
  // The command-line option that gives the value by hand ("osccal" for --osccal); the command
  // line learns from it which value an option gives and what the value may be.
  std::string_view option{};
  bool Plausible(std::uint16_t value) const { return (value & checkMask) == checkValue; }
  // The bits as a number, and back: BG 0 to 3 for bits 13:12.
  std::uint16_t Field(std::uint16_t word) const {
    return static_cast<std::uint16_t>((word & mask) >> std::countr_zero(mask));
  }
  std::uint16_t InPlace(std::uint16_t field) const {
    return static_cast<std::uint16_t>((field << std::countr_zero(mask)) & mask);
  }
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
  std::span<const PreservedBits> preserved{};
  // Configuration words from the base + 7: one, or two where the part has a second after it,
  // and the bits the second stores.
  int configWords = 1;
  std::uint16_t config2Mask = 0x3FFF;
  // Factory calibration words in configuration memory (0x2008, 0x2009 on parts at 0x2000):
  // read and shown, never written, erased nor compared.
  std::span<const int> calibrationWords{};
  // The most MCLR may take, in volts, when the part takes less than the 13 V of a common
  // adapter; 0 when it takes that.
  int vppLimitVolts = 0;

  bool IsCalibration(int address) const {
    for (int a : calibrationWords) {
      if (a == address) return true;
    }
    return false;
  }
  bool IsConfigWord(int address) const {
    return address >= FirstConfigWord() && address < FirstConfigWord() + configWords;
  }
  int FirstConfigWord() const { return configBase + ConfigMemoryMap::kFirstConfigOffset; }
  // Where `address` of configuration memory falls in a word array from the first ID.
  std::size_t ConfigIndex(int address) const {
    return static_cast<std::size_t>(address - configBase);
  }
  // The last configuration-memory address a read reaches: the last configuration or
  // calibration word.
  int ConfigMemoryEnd() const { return ConfigMap().End(); }
  // The bits a configuration word stores.
  std::uint16_t ConfigMaskAt(int address) const {
    return address == FirstConfigWord() ? configMask : config2Mask;
  }
  // Configuration memory as the image, the reader, the writer and the read-back see it.
  ConfigMemoryMap ConfigMap() const {
    std::vector<std::uint16_t> masks(static_cast<std::size_t>(configWords), config2Mask);
    if (!masks.empty()) masks[0] = configMask;
    return ConfigMemoryMap(configBase, masks, calibrationWords, idBits);
  }
  // The bits of an ID location taken from the file, the others written as 0x3F80 has them:
  // all fourteen on the later parts, as their documents allow; the low four on the original
  // ones.
  std::uint16_t idBits = 0x3FFF;
  // Whether an ID location the file leaves out is written all the same (as 0x3F80), the
  // original parts' rule; elsewhere it keeps what the chip holds.
  bool writesMissingIds = false;
  // The family's name in lists ("16F87XA"), and the VDD its documents ask for while writing
  // and erasing, as text; empty where the documents we have do not say.
  std::string_view name{};
  std::string_view vddRange{};
  // Cycle times of a part whose device ID is unknown or does not match, and faster ones that
  // apply once a part of a row shared with an older part (without device ID) shows its ID.
  CycleTimes cycles{};
  std::optional<CycleTimes> identifiedCycles{};
  // Configuration memory's first word, the first ID: 0x2000 on every mid-range part here.
  int configBase = ConfigMemoryMap::kClassicBase;

  // The bits of `address` a file may set: all but the preserved ones.
  std::uint16_t WritableBits(int address) const {
    std::uint16_t bits = 0x3FFF;
    for (const PreservedBits& p : preserved) {
      if (p.address == address) bits = static_cast<std::uint16_t>(bits & ~p.mask);
    }
    return bits;
  }
};

// A family file hands its descriptors to the catalogue, each under the key parts files name it
// by, from a function `void RegisterFamilies_<file>(FamilyAdder)` that the build finds.
using FamilyAdder = void (*)(std::string_view key, const FamilyDescriptor& family);

}  // namespace daxwel
