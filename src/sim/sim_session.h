#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/hex_image.h"
#include "image/hex_writer.h"
#include "link/clock.h"
#include "sim/safe_file.h"
#include "sim/sim_adapter.h"

namespace daxwel::sim {

// How fast the simulated chip's time runs: as the real part would, or instantly (every wait
// advances a virtual clock that the simulated chip reads, so its timing rules still hold).
enum class SimTime { Real, Virtual };

// What the simulator options of the command line (and the window) ask for.
struct SimOptions {
  SimModel model{"16F877"};
  // INHX8M file that keeps the chip's memories between runs; empty: the chip starts erased
  // (but for its factory calibration) and nothing is kept. A part with a factory calibration
  // also keeps it there, in a record at words 0x20F0-0x20F1 that HEX readers skip.
  std::string statePath;
  SimTime time = SimTime::Real;
  Faults faults;
  // The simulated adapter's wiring: any preset or custom file, today's adapter by default.
  Wiring wiring = DefaultWiring();
};

// Option parsers. Each answers the empty text when the text was taken, or a one-line Spanish
// description of what is wrong with it.
// "MODEL" or "MODEL:STATE" (MODEL as ParseSimModel takes it).
std::string ParseSimTarget(std::string_view text, SimOptions& options);
// "real" or "virtual".
std::string ParseSimTime(std::string_view text, SimOptions& options);
// One kind of simulated fault: its name, the value it takes ("" for none) as the help writes
// it, a value it takes, and what it does. The one list every message and help text uses.
struct FaultKind {
  std::string_view name;
  std::string_view value;
  std::string_view example;
  std::string_view what;
};
std::span<const FaultKind> FaultKinds();
// "no-adapter, no-target=0|1, stuck=DIR, ...": every kind with its value.
std::string FaultKindList();
// One line per kind with what it does (--sim-fault help).
std::string FaultKindHelp();

// "no-adapter", "no-target=0|1", "stuck=ADDR", "ee-stuck=INDEX", "unplug-after=N",
// "ee-upper=0|1", "id=VALUE", "keep-config", "config-fail", "refuse-entry=N" (the first N
// entries read garbage), "osccal=0x34NN" and "bg=0..3" (a new chip's factory calibration),
// "lost-calibration" (a new chip with 0x3FF and bits 13:12 erased); numbers in decimal or
// 0x-prefixed hexadecimal. Adds to `faults`. "help" answers the list of kinds.
std::string ParseSimFault(std::string_view text, Faults& faults);
// The stuck program addresses and EEPROM indices must lie inside the chosen chip, keep-config
// needs a 16F62XA and osccal/bg a part with a factory calibration (a fault the chip cannot
// have would silently test nothing).
std::string CheckFaultsFitChip(const SimOptions& options);
// The whole set of simulator options as the window and the command line take them: target,
// time ("real" or "virtual") and every fault, then the faults checked against the chip.
std::string ParseSimOptions(std::string_view target, std::string_view time,
                            const std::vector<std::string>& faults, SimOptions& options);

// The chip's memories as a read-back file holds them, and back. LoadMemory keeps the chip's
// own sizes: missing words stay erased, extra ones are dropped.
ChipContents ContentsOfMemory(const ChipMemory& memory);
void LoadMemory(const ChipContents& contents, ChipMemory& memory);

// Reads an INHX8M file (as `read` writes it) for a chip of the given sizes: program words,
// the four ID words, the configuration word (0x3FFF when absent) and the data EEPROM bytes.
// Answers the empty text, or why the file cannot be used.
std::string ReadContentsFile(const std::string& path, int programWords, int eepromBytes,
                             ChipContents& contents);
// The same from the file's bytes (`path` only names it in messages). A first line that starts
// with ';' is a comment (a state file names its model there) and is skipped.
std::string ContentsOfText(std::string_view bytes, const std::string& path, int programWords,
                           int eepromBytes, ChipContents& contents);

// One line on what a run cost the simulated chip: clock phases, cycles and the least time
// the work could take on the silicon (1 us per clock phase plus each cycle's worst case).
std::string CostReport(const SimStats& stats);

// The simulated adapter with its pacer (whose clock it reads) and, when asked for, the state
// file that keeps its chip between runs.
class SimSession {
 public:
  explicit SimSession(SimOptions options);
  ~SimSession();
  SimSession(const SimSession&) = delete;
  SimSession& operator=(const SimSession&) = delete;

  // Locks the state file for as long as the session lives (another process on it is refused)
  // and loads the chip's memories from it. A missing or empty file is written as an erased
  // chip. A file that names another model in its first line (a comment) is refused. Without a
  // state file nothing happens. Answers the empty text or the problem.
  std::string LoadState();
  // Saves the chip's memories atomically when they changed since the last load or save; the
  // file keeps the lock. Nothing without a state file, and nothing for an unchanged chip.
  std::string SaveState();

  SimAdapter& Adapter() { return *adapter_; }
  const SimAdapter& Adapter() const { return *adapter_; }
  Pacer& GetPacer() { return *pacer_; }
  const SimOptions& Options() const { return options_; }
  // Where the factory calibrations of simulated chips are kept, never the user's own store:
  // beside the state file ("FILE.calibraciones"), or without one a folder of this session's
  // own, made on first use and removed with the session. "" when none can be made.
  std::string CalibrationFolder();

 private:
  std::string tempFolder_;
  SimOptions options_;
  std::unique_ptr<Pacer> pacer_;
  std::unique_ptr<SimAdapter> adapter_;
  int lockFd_ = -1;   // the state file, locked (flock)
  ChipMemory saved_;  // what the state file holds

  std::string StateText() const;
  std::string WriteState(bool replace);
};

}  // namespace daxwel::sim
