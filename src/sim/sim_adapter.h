#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/wiring.h"

namespace daxwel::sim {

// A part the simulated adapter can hold: any name a row of the parts table answers to whose
// family has a chip model. The 16F84 row holds two parts: the 16F84 without a device ID and
// the 16F84A.
class SimModel {
 public:
  // Throws std::invalid_argument for a name no such row answers to: only tests name parts
  // this way; user input goes through ParseSimModel.
  explicit SimModel(std::string_view name);
  std::string_view Name() const { return name_; }
  const DeviceModel& Row() const { return *row_; }
  bool operator==(const SimModel& other) const { return name_ == other.name_; }

 private:
  SimModel(const DeviceModel* row, std::string_view name) : row_(row), name_(name) {}
  friend std::optional<SimModel> ParseSimModel(std::string_view text);
  const DeviceModel* row_;
  std::string_view name_;  // the row's own text, as long-lived as the catalogue
};

// Case-insensitive, optional "PIC" prefix; nothing for a name no simulated part has.
std::optional<SimModel> ParseSimModel(std::string_view text);
std::string_view SimModelName(const SimModel& model);
// Every simulated part's name, in the parts table's order.
std::vector<std::string_view> SimModelNames();
// Whether the keep-config fault exists on the part's silicon.
bool KeepsConfigFault(const SimModel& model);
struct Faults;
// What the part's silicon cannot hold of `faults` ("osccal: ..."), or "".
std::string ChipFaultProblem(const SimModel& model, const Faults& faults);

// Faults the tests (and --sim-fault) can switch on.
struct Faults {
  bool noAdapter = false;                // status reads show no presence pattern
  std::optional<int> noTarget;           // adapter present, data-in stuck at 0 or 1
  std::vector<int> stuckProgram;         // program addresses whose word cannot be changed
  std::vector<int> stuckEeprom;          // EEPROM indices whose byte cannot be changed
  std::optional<long long> unplugAfter;  // adapter vanishes after this many port writes
  std::optional<int> eeUpper;            // upper six bits of data-memory reads: 0 or 1 (default 0)
  std::optional<int> deviceId;           // device ID word other than the model's
  // 16F62XA: bulk erases leave the configuration word as it was (seen on some 16F628A).
  bool keepConfig = false;
  // Writes of the configuration word do not take: it keeps its old value (erases still work).
  bool configFail = false;
  // The first this many entries are refused although VPP rises as it should: the part runs
  // its own code, every read answers garbage and nothing the programmer sends takes effect.
  int refusedEntries = 0;
  // Parts with a factory calibration: the OSCCAL word and band-gap bits a new chip leaves the
  // factory with, instead of the part's own (a chip loaded from a state file keeps its own).
  std::optional<int> osccal;
  std::optional<int> bandGap;
  // A new chip whose calibration another tool erased: 0x3FF and bits 13:12 (or the
  // calibration words at 0x2008/0x2009) read as erased, while its factory values are still
  // known to the simulator.
  bool lostCalibration = false;
  // The VPP the adapter says it applies, in volts: an entry above a part's limit is a
  // violation. Nothing: the adapter does not say.
  std::optional<int> vppVolts;
  bool operator==(const Faults&) const = default;
};

// A factory calibration: the RETLW at the last program word that loads OSCCAL, and the two
// band-gap bits (13:12) of the configuration word.
struct Calibration {
  std::uint16_t osccal = 0;   // 0x34kk: RETLW k
  std::uint16_t bandGap = 0;  // 0 to 3
  bool operator==(const Calibration&) const = default;
};

// The chip's memories, as a programmer would find them.
struct ChipMemory {
  std::vector<std::uint16_t> program;  // model's size, 14-bit words
  std::array<std::uint16_t, 4> ids{0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};
  // Unimplemented bits read 1 whatever is set here; the chip's own writes store them as 1.
  std::uint16_t config = 0x3FFF;
  std::vector<std::uint8_t> eeprom;  // model's size
  // 0x2008 and 0x2009: a second configuration word or factory calibration words on the parts
  // that have them; erased (and never written) on the others.
  std::array<std::uint16_t, 2> high{0x3FFF, 0x3FFF};
  // What the part left the factory with, for the parts that have one: no programmer can read
  // it, but a careful one keeps the chip's 0x3FF and bits 13:12 equal to it.
  std::optional<Calibration> factory;
};

// What the chip saw, for tests that count costs.
struct SimStats {
  long long portWrites = 0;
  long long portReads = 0;
  // Begin Erase/Programming (and Programming Only) Cycle commands, and every other cycle the
  // chip times itself (the 16F87XA's Chip Erase, the 16F62XA's bulk erases).
  long long programCycles = 0;
  long long programOnlyCycles = 0;  // of which Begin Programming Only
  long long clockPhases = 0;        // clock-line changes: each phase needs at least 1 us
  // Sum of the worst-case times of the self-timed cycles started: with one microsecond per
  // clock phase, the least time the work could have taken on the silicon.
  std::chrono::nanoseconds cycleTimeTotal{0};
  long long programWrites = 0;  // program-memory words written by a cycle (loaded latches)
  long long eepromWrites = 0;
  long long configWrites = 0;  // writes to 0x2000..0x2007
  long long bulkErases = 0;
  long long programModeEntries = 0;
};

class SimAdapter final : public PortIo {
 public:
  // The adapter is built from `wiring`: its registers, data input, presence test and VDD.
  SimAdapter(SimModel model, const Clock& clock, std::uint16_t base = 0x378, Faults faults = {},
             const Wiring& wiring = DefaultWiring());
  ~SimAdapter() override;
  SimAdapter(const SimAdapter&) = delete;
  SimAdapter& operator=(const SimAdapter&) = delete;

  void PortOut(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t address) override;

  SimModel Model() const;
  std::uint16_t Base() const;
  std::uint16_t DeviceId() const;  // 0x3FFF-free value the chip holds at 0x2006 (0 for F84)

  // Completes first any self-timed cycle whose time has passed on the clock, so ask again
  // after a wait rather than keep a reference from before it.
  ChipMemory& Memory();
  const ChipMemory& Memory() const;
  // Every protocol or timing rule broken so far, one readable line each.
  const std::vector<std::string>& Violations() const;
  void ClearViolations();
  const SimStats& Stats() const;
  void ResetStats();

  std::uint8_t DataRegister() const;     // last value written to the data register
  std::uint8_t ControlRegister() const;  // and to the control register
  bool InProgramMode() const;
  bool Powered() const;   // the target has VDD (always, where the adapter cannot switch it)
  bool Running() const;   // the target runs its own program: run line (or VDD) alone
  bool LinesOff() const;  // both registers hold the wiring's "off" bytes
  const Wiring& GetWiring() const;
  // Another adapter on the same chip (the window's adapter choice); lines as they are.
  void SetWiring(const Wiring& wiring);

  Faults& GetFaults();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace daxwel::sim
