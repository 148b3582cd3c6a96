#pragma once

// The last good factory calibration of each chip that has one (12F629/675, 16F630/676), kept
// in the user's data folder so that a chip whose calibration was lost (erased by another tool,
// or by a failed programming-mode entry) can get it back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace daxwel {

// One chip's calibration as read from it: the RETLW at its last program word that loads
// OSCCAL, and its band-gap bits (configuration bits 13:12). A chip is known by its device ID
// (part and revision) and its OSCCAL word, which the user can read off `info`.
struct CalibrationRecord {
  std::uint16_t deviceId = 0;
  std::uint16_t osccal = 0;   // 0x34kk: RETLW k
  std::uint16_t bandGap = 0;  // 0 to 3
  std::string savedAt;        // UTC, "2026-12-08T01:02:03Z"; filled by Save
  bool operator==(const CalibrationRecord&) const = default;
};

// Whether `word` can be a factory calibration: a RETLW (0x3400 to 0x37FF). The erased word
// 0x3FFF and the 0x0000 of a chip that is absent or not in programming mode never are.
bool IsCalibrationWord(std::uint16_t word);

// The folder the store uses: "daxwel" under XDG_DATA_HOME when that is an absolute path,
// else under HOME's ".local/share". Empty when neither gives one. Null means unset.
std::string CalibrationFolder(const char* xdgDataHome, const char* home);
// The same from this process's environment.
std::string DefaultCalibrationFolder();

// One file per chip in the folder, named by device ID and OSCCAL word ("0FC5-3490.cal"),
// each written whole to a temporary file and renamed into place. Answers are the empty text
// or a Spanish description of the problem.
class CalibrationStore {
 public:
  explicit CalibrationStore(std::string folder);

  const std::string& Folder() const { return folder_; }

  // Keeps the record (replacing the one of the same chip), stamped with the time now. Refuses
  // an OSCCAL word that is not a RETLW, band-gap bits above 3 and a device ID of 0x0000 or
  // 0x3FFF (no chip answered). Creates the folder when it is missing.
  std::string Save(CalibrationRecord record) const;
  // The record of the chip with this device ID and OSCCAL word; nullopt when none is kept or
  // its file cannot be read.
  std::optional<CalibrationRecord> Load(std::uint16_t deviceId, std::uint16_t osccal) const;
  // Every record kept, by device ID then OSCCAL word; with `deviceId`, only that part's (any
  // revision: the low five bits are left out). Files that are not records are skipped.
  std::vector<CalibrationRecord> List(std::optional<std::uint16_t> deviceId = {}) const;

 private:
  std::string PathOf(std::uint16_t deviceId, std::uint16_t osccal) const;

  std::string folder_;
};

}  // namespace daxwel
