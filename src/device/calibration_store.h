#pragma once

// Every factory calibration read from a chip or given by hand, kept in the user's data folder
// as a history that is only ever appended to, so that a chip whose calibration was lost
// (erased by another tool, or by a run cut short between an erase and the write-back) can get
// it back. Before anything is erased the values about to be written back are recorded as
// pending; a verified write-back closes them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace daxwel {

// One named value, as the family calls it ("OSCCAL", "BG", a calibration word) and as the
// number its bits hold.
struct CalibrationValue {
  std::string name;
  std::uint16_t value = 0;
  bool operator==(const CalibrationValue&) const = default;
};

enum class RecordKind {
  kRead,      // read from the chip and found good
  kByHand,    // given by the user
  kPending,   // about to be erased and written back: the write-ahead record
  kRestored,  // written back and read back: closes the pending record before it
};

// One line of the history. A chip is known by its device ID (part and revision) and its
// values, which the user can read off `info`.
struct CalibrationRecord {
  std::uint16_t deviceId = 0;
  std::vector<CalibrationValue> values;
  RecordKind kind = RecordKind::kRead;
  std::string savedAt;  // UTC, "2026-12-08T01:02:03Z"; filled by Append
  bool operator==(const CalibrationRecord&) const = default;

  std::optional<std::uint16_t> Value(std::string_view name) const;
  // "OSCCAL 0x3490, BG 2": values of 10 and above in hexadecimal.
  std::string Describe() const;
  bool SameValues(const CalibrationRecord& other) const { return values == other.values; }
};

// A value as the store writes it and the user types it: "0x3490" in hexadecimal, "2" in
// decimal, at most 14 bits; nothing for anything else.
std::optional<std::uint16_t> ParseCalibrationValue(std::string_view text);

// The folder the store uses: "daxwel" under XDG_DATA_HOME when that is an absolute path,
// else under HOME's ".local/share". Empty when neither gives one. Null means unset.
std::string CalibrationFolder(const char* xdgDataHome, const char* home);
// The same from this process's environment.
std::string DefaultCalibrationFolder();

// One text file in the folder, a record a line, appended and synced to disk before Append
// answers. Records of the earlier one-file-per-chip layout ("0FC5-3490.cal") are read as
// values read from the chip. Answers are the empty text or a Spanish description of the problem.
class CalibrationStore {
 public:
  explicit CalibrationStore(std::string folder);

  const std::string& Folder() const { return folder_; }
  std::string FilePath() const;

  // Appends the record, stamped with the time now. Refuses a device ID of 0x0000 or 0x3FFF (no
  // chip answered), a record without values and values above 14 bits. Creates the folder when
  // it is missing.
  std::string Append(CalibrationRecord record) const;
  // Every record, oldest first; with `deviceId`, only that part's (any revision: the low five
  // bits are left out). Lines that are not records are skipped.
  std::vector<CalibrationRecord> History(std::optional<std::uint16_t> deviceId = {}) const;
  // The values known for a part, newest first, each set of values once: what the user is
  // offered for a chip that lost its own.
  std::vector<CalibrationRecord> Candidates(std::uint16_t deviceId) const;
  // The write-ahead record of this exact device ID that no write-back closed; nullopt when
  // none is open.
  std::optional<CalibrationRecord> Pending(std::uint16_t deviceId) const;

 private:
  std::vector<CalibrationRecord> Legacy(std::optional<std::uint16_t> deviceId) const;

  std::string folder_;
};

}  // namespace daxwel
