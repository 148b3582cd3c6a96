#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace daxwel {

// The memory image of one HEX file for one model. Words are 14-bit values; EEPROM entries
// carry 0x3F00 in their upper bits.
struct HexImage {
  std::array<std::int16_t, 8192> ProgramWords{};
  std::int16_t ProgramEnd = 0;
  std::array<std::int16_t, 4> IdWords{0x3F80, 0x3F80, 0x3F80, 0x3F80};
  std::string FileConfig;  // 14-character BitString or empty
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
  HexImage image;           // valid when status is Ok
  std::string description;  // Spanish text for ReadFailure (names the line and the fault)
  int line = 0;             // 1-based line of the failure, 0 when none
};

HexLoadResult LoadHexImage(const std::string& path, ImageLimits limits);

// 14 characters, most significant bit first, of the low 14 bits of v.
std::string ToBitString(int v);
// Value of a BitString of "0"/"1" characters (most significant first).
int FromBitString(std::string_view bits);

// Which configuration word is programmed: the file's or the dialog's.
struct ChosenConfig {
  std::string word;   // 14 characters
  std::string label;  // "Manual" or "Desde Archivo"
};
// `dialogAnswer` is what SetConfigWord answered; nullopt is the configuration failure.
std::optional<ChosenConfig> ChooseConfigWord(const std::string& fileConfig,
                                             const std::string& dialogAnswer);

}  // namespace daxwel
