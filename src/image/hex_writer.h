#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace daxwel {

// What a chip holds (or a simulated one): the contents of a read-back or state file.
struct ChipContents {
  std::vector<std::uint16_t> program;  // word address = index, 14-bit values
  std::array<std::uint16_t, 4> ids{0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};  // 0x2000-0x2003
  std::optional<std::uint16_t> config;                               // 0x2007, left out when absent
  // 0x2008 and 0x2009, on the parts that have a second configuration word or calibration
  // words there; left out when absent.
  std::optional<std::uint16_t> word2008;
  std::optional<std::uint16_t> word2009;
  std::vector<std::uint8_t> eeprom;  // data EEPROM, index = byte address
};

// The contents as an INHX8M file: records of at most 16 bytes that never cross a 16-byte
// boundary, program words at byte 2 x address, IDs at 0x4000, the configuration word at
// 0x400E (0x2008 and 0x2009 after it, at 0x4010 and 0x4012, when given), EEPROM bytes from 0x4200
// (one word per byte, high byte 0x00), and the end record
// ":00000001FF". Words are written by their low 14 bits; at most 8192 program words and 256
// EEPROM bytes are written, which is all these parts have. With omitErasedProgramWords the
// words equal to 0x3FFF are left out (the reader fills them in as erased). Lines end in "\r\n".
std::string FormatInhx8m(const ChipContents& contents, bool omitErasedProgramWords);

// The same contents as an INHX32 file: the INHX8M records after an extended linear address
// record (type 04) of 0, which is all the upper address these parts need.
std::string FormatInhx32(const ChipContents& contents, bool omitErasedProgramWords);

// Writes FormatInhx8m to a file; false when it cannot be written.
bool WriteInhx8mFile(const std::string& path, const ChipContents& contents,
                     bool omitErasedProgramWords);

}  // namespace daxwel
