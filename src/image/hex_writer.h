#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace daxwel {

// What a chip holds (or a simulated one): the contents of a read-back or state file.
struct ChipContents {
  std::vector<std::uint16_t> program;  // word address = index, 14-bit values
  int configBase = 0x2000;             // configuration memory's first word: the first ID
  std::array<std::uint16_t, 4> ids{0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};  // base to base + 3
  bool hasIds = true;  // false: no ID words in the file
  // Configuration memory after the IDs, by word address: the configuration word (base + 7) and
  // the words after it a part has (a second configuration word, calibration words); a word
  // left out is absent.
  std::map<int, std::uint16_t> configMemory;
  std::vector<std::uint8_t> eeprom;  // data EEPROM, index = byte address

  std::optional<std::uint16_t> Word(int address) const {
    const auto it = configMemory.find(address);
    if (it == configMemory.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::uint16_t> Config() const { return Word(configBase + 7); }
};

// The contents as an INHX8M file: records of at most 16 bytes that never cross a 16-byte
// boundary, program words at byte 2 x address, IDs at 2 x base (0x4000), the words of
// configuration memory at 2 x their address (0x2007 at 0x400E), EEPROM bytes from 0x4200
// (one word per byte, high byte 0x00), and the end record ":00000001FF". A byte address above
// 64 KiB (configuration memory from 0x8000) is reached through an extended linear address
// record (type 04), and one of 0 returns below. Words are written by their low 14 bits; at
// most 8192 program words and 256 EEPROM bytes are written, which is all these parts have.
// With omitErasedProgramWords the words equal to 0x3FFF are left out (the reader fills them
// in as erased). Lines end in "\r\n".
std::string FormatInhx8m(const ChipContents& contents, bool omitErasedProgramWords);

// The same contents as an INHX32 file: the INHX8M records after an extended linear address
// record (type 04) of 0.
std::string FormatInhx32(const ChipContents& contents, bool omitErasedProgramWords);

// Writes FormatInhx8m to a file; false when it cannot be written.
bool WriteInhx8mFile(const std::string& path, const ChipContents& contents,
                     bool omitErasedProgramWords);

}  // namespace daxwel
