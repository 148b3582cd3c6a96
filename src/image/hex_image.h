#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace daxwel {

// The memory image of one HEX file for one model. Words are 14-bit values; EEPROM entries
// carry 0x3F00 in their upper bits.
struct HexImage {
  std::array<std::int16_t, 8192> ProgramWords{};
  std::int16_t ProgramEnd = 0;
  std::array<std::int16_t, 4> IdWords{0x3F80, 0x3F80, 0x3F80, 0x3F80};
  std::string FileConfig;  // 0x2007 (HEX byte 0x400E): 14-character BitString or empty
  // What the file puts at 0x2008 (byte 0x4010: a second configuration word, or a calibration
  // word on some parts) and at 0x2009 (byte 0x4012); empty when it puts nothing there.
  std::string FileWord2008;
  std::string FileWord2009;
  std::array<std::int16_t, 256> EepromWords{};
  std::int16_t EepromEnd = 0;
  bool HasEeprom = false;
  // Whether the file carried each ID location (for read-back files and reports).
  std::array<bool, 4> HasId{};
};

// The model's memory sizes the image is checked against.
struct ImageLimits {
  int programWords;
  int eepromBytes;
};

enum class HexStatus { Ok, FormatError, ProgramSizeError, EepromSizeError, ReadFailure };

struct HexLoadResult {
  HexStatus status = HexStatus::ReadFailure;
  HexImage image;  // valid when status is Ok
  // Spanish text naming the line and the fault: the whole message of a read failure, and
  // extra detail (the line, the address) for the other failures, whose messages are fixed.
  std::string description;
  int line = 0;  // 1-based line of the failure, 0 when none
  // One line each, "Línea N: ...", for what the reader changed in a file it accepted (an ID or
  // configuration word cut to 14 bits); shown at the end of the operation.
  std::vector<std::string> notes;
};

// Reads the file once, closes it, and runs ParseHexImage over its bytes.
HexLoadResult LoadHexImage(const std::string& path, ImageLimits limits);
// Two passes over the bytes of a HEX file (program memory, IDs and configuration first; data
// EEPROM second). Bytes are placed one by one, so records may start at any byte address; a
// word the file gives only half of keeps the other half erased, and a byte given twice with
// two values is a read failure naming both lines. Limits outside 0..8192 words and 0..256 bytes are
// clamped to the image's arrays.
HexLoadResult ParseHexImage(std::string_view bytes, ImageLimits limits);

// Value of a hexadecimal digit by character code: "0"-"9", "a"-"f", "A"-"F" give 0-15, any
// other code below 111 gives 0 (a stray character reads as the digit 0), and a code of 111
// or more (or a negative one) gives -1, which the reader treats as a read failure.
int HexDigitValue(int code);

// 14 characters, most significant bit first, of the low 14 bits of v.
std::string ToBitString(int v);
// Value of a BitString of "0"/"1" characters (most significant first); any character other
// than "1" counts as a 0 bit.
int FromBitString(std::string_view bits);

// The file's configuration words for a part with `words` of them: FileConfig, then FileWord2008
// for a second; empty without a first.
std::string FileConfigWords(const HexImage& image, int words);

// Which configuration word is programmed: the file's or the dialog's.
struct ChosenConfig {
  std::string word;   // 14 characters per configuration word
  std::string label;  // "Manual" or "Desde Archivo"
};
// `dialogAnswer` is what SetConfigWord answered; nullopt is the configuration failure. An
// empty answer (no model selected) is refused the same way rather than programming nothing.
std::optional<ChosenConfig> ChooseConfigWord(const std::string& fileConfig,
                                             const std::string& dialogAnswer);

}  // namespace daxwel
