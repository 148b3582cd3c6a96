#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "device/outcome.h"
#include "device/session.h"
#include "image/hex_image.h"
#include "image/hex_writer.h"

namespace daxwel::detail {

// Configuration memory from the family's base, by FamilyDescriptor::ConfigIndex: the IDs
// (0..3), the configuration words (7, and 8 on the parts with two) and the factory
// calibration words (8 or 9, or any up to 0x1F, as far as a parts file may place one). What a
// family does not read or write there stays 0x3FFF.
inline constexpr std::size_t kConfigMemorySize = 0x20;
using ConfigMemory = std::array<std::uint16_t, kConfigMemorySize>;
inline constexpr std::size_t kConfigWordIndex = ConfigMemoryMap::kFirstConfigOffset;
ConfigMemory ErasedConfigMemory();
// The ID and configuration-word addresses of a family, in the order they are written: the
// locations a program pass writes, which calibration words never are.
std::vector<int> WrittenConfigAddresses(const FamilyDescriptor& family);

// Shows where a memory pass stands before an address is visited (a yield point).
using ShowAddress = std::function<void(int address)>;

// How one family of parts writes, erases and protects its memories. The operations keep the
// dialogue with the user, the order of the passes and the messages; a family only says how
// its silicon is driven. Every member is entered and left in programming mode unless it
// says otherwise.
class FamilyAlgorithm {
 public:
  virtual ~FamilyAlgorithm() = default;

  // A question to put to the user before this configuration word is written on an adapter
  // that keeps VDD on, or "".
  virtual std::string ConfigWarning(std::uint16_t config) const {
    (void)config;
    return {};
  }

  // Whether this configuration word, once written, keeps an adapter that leaves VDD on from
  // entering programming mode again: the part runs its own code before VPP comes.
  virtual bool LocksReentry(std::uint16_t config) const {
    (void)config;
    return false;
  }

  // Whether the part's programming document enters with VPP before VDD. Only an adapter
  // that switches VDD can do so; on the others every family enters VDD first.
  virtual bool EntersVppFirst() const { return false; }

  // Whether the part must show its own device ID before anything is written or read: the
  // families whose algorithms differ so much that the wrong one would corrupt the part.
  virtual bool ChecksDeviceId() const { return false; }
  // What to add when such a part does not answer at all.
  virtual std::string NoAnswerHint() const { return {}; }

  // Time to change one program word from `have` to `want` without an erase, or nothing when
  // the family has no documented way to (a programming-only cycle over a programmed word).
  // Zero when they are equal.
  virtual std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t,
                                                               std::uint16_t have,
                                                               std::uint16_t want) const = 0;
  // InPlaceCost for the word at `address`: for the families whose in-place rewrite does not
  // reach every address the same way.
  virtual std::optional<std::chrono::microseconds> InPlaceCostAt(const CycleTimes& t, int address,
                                                                 std::uint16_t have,
                                                                 std::uint16_t want) const {
    (void)address;
    return InPlaceCost(t, have, want);
  }
  // Time to write `want` into an erased word (zero for an erased value).
  virtual std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const = 0;
  // Whether an ID location or the configuration word may be written over `have` without an
  // erase: the families whose writes do not erase only write them when erased.
  virtual bool ConfigWritesInPlace(std::uint16_t have, std::uint16_t implemented) const {
    (void)have, (void)implemented;
    return true;
  }
  // The same for the ID or configuration word at `address` going from `have` to `want`: for a
  // family with bits there that a write leaves as the chip holds them.
  virtual bool RewritesConfigInPlace(int address, std::uint16_t have, std::uint16_t want,
                                     std::uint16_t implemented) const {
    (void)address, (void)want;
    return ConfigWritesInPlace(have, implemented);
  }

  // Erases program memory for an erase-first program pass; `EraseFirstClearsConfig` says
  // whether the IDs and the configuration word go with it. Leaves a fresh entry at 0.
  virtual void EraseProgramMemory(Session& s) const = 0;
  virtual bool EraseFirstClearsConfig() const { return false; }

  // Program memory 0..want.size()-1, from address 0: writes the words where `have` differs
  // from `want` and reads each written word back. -1, or the first address that does not
  // hold its word. The caller has made sure every write is one the family can make.
  virtual int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                           const std::vector<std::uint16_t>& have,
                           const ShowAddress& show) const = 0;

  // Data EEPROM 0..image.EepromEnd: reads each byte and writes and reads back those that
  // differ, one byte per self-timed cycle of `DataWriteTime`.
  virtual int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const;
  virtual std::chrono::microseconds DataWriteTime(const CycleTimes& t) const {
    return t.eraseProgram;
  }

  // The four ID locations and the configuration words, from address 0; never a calibration
  // word. `have` is what they held before the program pass (after an erase-first erase, when
  // it cleared them). `atConfigWord` is called with each configuration word's address while
  // the counter stands on it, after any write there: a read-back that needs no new entry.
  virtual void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                                 const ShowAddress& atConfigWord = {}) const;

  // Erases everything, code protection included.
  virtual void Erase(Session& s) const = 0;

  // After an erase, from a fresh entry: "" or why the part did not erase.
  virtual std::string CheckErased(Session& s) const {
    (void)s;
    return {};
  }
};

// The families whose Begin Programming writes one word without erasing it (the cell keeps the
// AND of old and new): a program word, an ID or the configuration word is only written where
// it reads erased, and an erase of program memory clears the IDs and configuration with it.
class WritesWithoutErase : public FamilyAlgorithm {
 public:
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override;
  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override;
  bool ConfigWritesInPlace(std::uint16_t have, std::uint16_t implemented) const override {
    return (have & implemented) == implemented;
  }
  bool EraseFirstClearsConfig() const override { return true; }
  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override;
  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override;
};

inline const FamilyAlgorithm& AlgorithmOf(const DeviceModel& model) {
  return model.family->algorithm;
}

// One program word per self-timed cycle, for the families without write latches: the words
// where `have` differs from `want`, each read back. With `programOnlyWhenErased` an erased
// word takes the part's programming-only cycle when it has one. -1 or the failing address.
int WriteWordByWord(Session& s, const std::vector<std::uint16_t>& want,
                    const std::vector<std::uint16_t>& have, const ShowAddress& show,
                    bool programOnlyWhenErased);
// For the families whose writes do not erase: only the IDs and configuration words that do
// not already hold their value are written, each with an erase/program cycle.
void WriteChangedIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                              const ShowAddress& atConfigWord);

// Asks, once per run, whether a part that takes less than the adapter's VPP may go on (see
// ConfirmVppLimit); then enters programming mode and, for the families that check it, makes sure
// the attached part shows the model's own device ID. Ok when the operation may go on (in
// programming mode at address 0); otherwise the run has ended, with the reason shown.
Outcome StartOnModel(Session& s);

// Whether a program pass writes ID location `j` (0..3) from the file: where the file gives
// it, or on the families that write the IDs a file leaves out.
inline bool FileDecidesId(const HexImage& image, const FamilyDescriptor& family, std::size_t j) {
  return image.HasId()[j] || family.writesMissingIds;
}

// What the ID locations and the configuration words must hold after programming, indexed as
// ConfigMemory; nullopt where nothing is compared (calibration words always).
struct ConfigMemoryWant {
  std::array<std::optional<std::uint16_t>, kConfigMemorySize> words;
};
// The words a program pass writes to the IDs and the configuration words: `config` holds the
// configuration words, 14 characters each (a second one missing is taken as erased).
ConfigMemoryWant WrittenIdsAndConfig(const HexImage& image, std::string_view config,
                                     const FamilyDescriptor& family);
// The IDs (the base to base + 3), the configuration words and the calibration words, from a fresh
// entry. Leaves programming mode entered.
ConfigMemory ReadIdsAndConfig(Session& s);
// Reads configuration memory from a fresh entry and compares the IDs and configuration words
// with `want`, each configuration word on the bits the family stores. Ok, or failed with the
// message for the first difference, under `action` ("programar", "verificar"). Leaves
// programming mode entered.
Outcome CheckIdsAndConfig(Session& s, const ConfigMemoryWant& want, std::string_view action);
// The comparison of CheckIdsAndConfig, on words already read.
Outcome CompareIdsAndConfig(const FamilyDescriptor& family, const ConfigMemory& read,
                            const ConfigMemoryWant& want, std::string_view action);
// "Calibración 0x2009: 0x1234" for each calibration word of the family in `read`, with
// " (perdida)" after one that reads erased: a programmer has erased it, and no copy is left.
std::vector<std::string> CalibrationLines(const FamilyDescriptor& family, const ChipContents& read);
// The note a program pass gives for each value the file carries at a calibration address,
// which it does not write; "" when none.
std::string CalibrationFileNote(const FamilyDescriptor& family, const HexImage& image);

// For the parts whose VPP range leaves out the adapter's (the 13 V of many adapters, unless
// the adapter declares another): asks the user, once per session and figure, to confirm the
// adapter stays within the part's limit. False when refused.
bool ConfirmVppLimit(Session& s);
bool ConfirmVppLimit(Operator& op, const DeviceModel& model, const Wiring& wiring);
// Why an HV part (a shunt regulator on VDD) may not be worked on an adapter whose VDD is a
// fixed 5 V, in Spanish; empty where it may.
std::string VddRefusal(const DeviceModel& model, const Wiring& wiring);

// Whether programming `want` over `before` (14-character words) only clears bits, which a
// cycle without erase can do.
bool OnlyClearsBits(std::string_view before, std::string_view want);

}  // namespace daxwel::detail
