#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace daxwel {

// One part as a parts file describes it, before its family is looked up. Files shipped with
// the program and the user's own share these keys; a later section of the same name changes
// only the keys it gives.
struct PartSection {
  struct Word {
    int address;
    std::uint16_t mask;
  };
  struct Kept {  // factory bits an erase must give back
    std::string name;
    int address;
    std::uint16_t mask;
  };
  struct Pin {
    std::string name;
    int number;  // 0: not known
  };
  std::string name;  // the section
  std::string list;  // the model list's text; the name when not given
  std::vector<std::string> aliases;
  std::string noId;  // a name of the row whose silicon has no device ID
  std::string family;
  std::optional<std::uint16_t> id;
  std::optional<std::uint16_t> idMask;
  int programWords = 0;
  int eepromBytes = -1;
  std::vector<Word> config;
  std::vector<int> calibration;
  std::vector<Kept> preserved;
  int vppMaxVolts = 0;
  std::string vdd;
  std::optional<Pin> pgm;
  int packagePins = 0;    // 0: no pins given; -1: given, count not known
  std::vector<Pin> pins;  // clock, data, VPP
  int latches = 0;
  // A part with a shunt regulator on VDD (the "HV" parts): a stiff 5 V supply can destroy it.
  bool hv = false;
  // Where the section starts, for messages: "pics.ini:12".
  std::string where;
};

// Reads parts-file text into `parts`, adding sections and changing those already there.
// Answers the empty text, or one Spanish line "FILE:LINE: what is wrong"; on a mistake
// `parts` is left as it was.
std::string ParsePartsText(std::string_view text, std::string_view fileName,
                           std::vector<PartSection>& parts);

// What a complete part lacks ("falta id, program"), or the empty text.
std::string MissingKeys(const PartSection& part);

}  // namespace daxwel
