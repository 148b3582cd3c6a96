#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "device/catalogue.h"
#include "device/session.h"
#include "image/hex_image.h"

namespace daxwel::detail {

// Shows where a memory pass stands before an address is visited (a yield point).
using ShowAddress = std::function<void(int address)>;

// How one family of parts writes, erases and protects its memories. The operations keep the
// dialogue with the user, the order of the passes and the messages; a family only says how
// its silicon is driven. Every member is entered and left in programming mode unless it
// says otherwise.
class FamilyAlgorithm {
 public:
  virtual ~FamilyAlgorithm() = default;

  // Whether a part with this configuration word (as read) refuses to be written or read.
  virtual bool CodeProtected(std::string_view config) const = 0;

  // A question to put to the user before this configuration word is written, or "".
  virtual std::string ConfigWarning(std::string_view config) const {
    (void)config;
    return {};
  }

  // Whether the part's programming specification enters with VPP before VDD. Only an adapter
  // that switches VDD can do so; on the others every family enters VDD first.
  virtual bool EntersVppFirst() const { return false; }

  // Whether the part must show its own device ID before anything is written or read: the
  // families whose algorithms differ so much that the wrong one would corrupt the part.
  virtual bool ChecksDeviceId() const { return false; }
  // What to add when such a part does not answer at all.
  virtual std::string NoAnswerHint() const { return {}; }

  // Called once after the code-protection test, before any memory is written: "" or why
  // programming cannot go on.
  virtual std::string BeforeWriting(Session& s, const HexImage& image,
                                    std::string_view config) const {
    (void)s, (void)image, (void)config;
    return {};
  }

  // Program memory 0..image.ProgramEnd, from address 0: only the words that differ are
  // written, and every written word is read back. -1, or the first address that does not
  // hold its word.
  virtual int WriteProgram(Session& s, const HexImage& image, const ShowAddress& show) const = 0;

  // Data EEPROM 0..image.EepromEnd, the same way; by default one byte per erase/program
  // cycle.
  virtual int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const;

  // The four ID locations (low four bits used) and the configuration word, from address 0.
  virtual void WriteIdsAndConfig(Session& s, const HexImage& image, std::string_view config) const;

  // Erases everything, code protection included.
  virtual void Erase(Session& s) const = 0;

  // After an erase, from a fresh entry: "" or why the part did not erase.
  virtual std::string CheckErased(Session& s) const {
    (void)s;
    return {};
  }
};

const FamilyAlgorithm& AlgorithmOf(const DeviceModel& model);

// For the families that check it: "" when the attached part shows the model's own device
// ID, otherwise what to tell the user. Leaves programming mode entered again at address 0.
std::string CheckAttachedPart(Session& s, const DeviceModel& model);

// The later parts: bit 13 (character 1) protects all program memory, bit 8 (character 6) the
// data EEPROM; bit 4 is unimplemented or an oscillator bit there.
inline bool ProtectedByBits13And8(std::string_view config) {
  return config.size() == 14 && (config[0] == '0' || config[5] == '0');
}

// Whether programming `want` over `before` (14-character words) only clears bits, which a
// cycle without erase can do.
bool OnlyClearsBits(std::string_view before, std::string_view want);

}  // namespace daxwel::detail
