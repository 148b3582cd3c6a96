#pragma once

// The bits a part leaves the factory with and no erase may lose (a 12F675's OSCCAL RETLW and
// band-gap bits): read before anything is erased or written, checked, recorded in the user's
// store before the erase, and written back straight after it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/calibration_store.h"
#include "device/family.h"
#include "device/outcome.h"
#include "device/session.h"

namespace daxwel::detail {

// One chip's values of its family's preserved bits, each in place in its word.
struct FactoryBits {
  struct Entry {
    const PreservedBits* where;
    std::uint16_t value;
    std::uint16_t word = 0;  // the whole word the bits were read from
    bool byHand = false;     // given by the user rather than read from the chip
  };
  std::vector<Entry> entries;
  std::uint16_t deviceId = 0;                      // as read, revision included
  int configBase = ConfigMemoryMap::kClassicBase;  // the family's: program addresses are below

  // `word` for `address` with the factory's bits in place.
  std::uint16_t Apply(int address, std::uint16_t word) const;
  // The highest program address with preserved bits; -1 when none.
  int LastProgramAddress() const;
  // The values by name, as the store keeps them.
  CalibrationRecord Record(RecordKind kind) const;
  // Takes every value of `record` by name; false (and nothing taken) when one is missing.
  bool Take(const CalibrationRecord& record);
};

// Reads every preserved location of the model's family, each from a fresh entry, and the
// device ID. Leaves programming mode entered at address 0.
FactoryBits ReadFactoryBits(Session& s);

// Whether an entry shows no factory value: not the factory's shape, or all its bits set in a
// word that reads erased (the band gap of an erased configuration word).
bool LooksLost(const FactoryBits::Entry& e, const FamilyDescriptor& family);

// Before a program or an erase: reads the factory bits, takes the values the user gave by
// hand (once confirmed), offers the record an interrupted run left, compares with what the
// store knows of the chip, and refuses to go on when a value cannot be the factory's. New good
// values are appended to the store. Ok to go on, in programming mode at address 0; otherwise
// the run has ended (refused or cancelled, the reason shown).
Outcome SecureFactoryBits(Session& s, FactoryBits& bits);

// Records the factory bits as pending in the store (synced to disk), then runs `erase` and
// writes the bits back at once, with no yield point in between: a stop asked meanwhile is
// acted on after the write-back. Ok to go on, from a fresh entry at address 0; otherwise the
// run has ended (nothing erased, or the write-back failed, with how to recover; then with
// `failureWord`).
Outcome EraseKeepingFactoryBits(Session& s, const FactoryBits& bits,
                                const std::function<void()>& erase, const char* failureWord);

// "OSCCAL 0x3480, BG 2": for messages and reports.
std::string DescribeFactoryBits(const FactoryBits& bits);

// For verify: "" unless a value reads erased where the store keeps another for this chip (the
// chip's whole-word values match a record): then what was read and what is kept.
std::string StoredDifference(Operator& op, const FactoryBits& bits);

// For `info`: a line saying a write-back is pending when the chip shows its calibration lost
// and the store holds a record an interrupted run left for it; "" otherwise.
std::string PendingRestoreLine(Operator& op, const FamilyDescriptor& family,
                               const FactoryBits& bits);

}  // namespace daxwel::detail
