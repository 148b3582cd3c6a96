#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/config_map.h"

namespace daxwel {

// The memory image of one HEX file for one model. Words are 14-bit values; EEPROM entries
// carry 0x3F00 in their upper bits.
struct HexImage {
  std::array<std::int16_t, 8192> ProgramWords{};
  std::int16_t ProgramEnd = 0;
  // What the file gives in configuration memory, by word address, 14 bits each: the IDs, the
  // configuration words and whatever else of configuration memory the reader takes (see
  // ConfigMemoryMap::FileCarries). Nothing for a location the file leaves out.
  std::map<int, std::uint16_t> ConfigWords;
  int ConfigBase = ConfigMemoryMap::kClassicBase;
  std::array<std::int16_t, 256> EepromWords{};
  std::int16_t EepromEnd = 0;
  bool HasEeprom = false;

  std::optional<std::uint16_t> ConfigWord(int address) const;
  // The four ID locations, 0x3F80 where the file leaves one out, and whether it gave each.
  std::array<std::int16_t, 4> IdWords() const;
  std::array<bool, 4> HasId() const;
  // The first configuration word as a 14-character BitString, or empty.
  std::string FileConfig() const;
};

// The model's memory sizes the image is checked against, and its configuration memory: the
// words the reader takes there. Without one, a part whose configuration memory is today's
// (0x2000 on, configuration words at 0x2007-0x2009).
struct ImageLimits {
  int programWords;
  int eepromBytes;
  std::optional<ConfigMemoryMap> config{};
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

// The file's configuration words for a part with `words` of them: FileConfig, then each
// following word the file gives, up to the first it leaves out; empty without a first.
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
