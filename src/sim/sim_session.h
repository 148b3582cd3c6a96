#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/hex_writer.h"
#include "link/clock.h"
#include "sim/sim_adapter.h"

namespace daxwel::sim {

// How fast the simulated chip's time runs: as the real part would, or instantly (every wait
// advances a virtual clock that the simulated chip reads, so its timing rules still hold).
enum class SimTime { Real, Virtual };

// What the simulator options of the command line (and the window) ask for.
struct SimOptions {
  SimModel model = SimModel::F877;
  // INHX8M file that keeps the chip's memories between runs; empty: the chip starts erased
  // and nothing is kept.
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
// "no-adapter", "no-target=0|1", "stuck=ADDR", "ee-stuck=INDEX", "unplug-after=N",
// "ee-upper=0|1", "id=VALUE", "keep-config"; numbers in decimal or 0x-prefixed hexadecimal.
// Adds to `faults`.
std::string ParseSimFault(std::string_view text, Faults& faults);
// The stuck program addresses and EEPROM indices must lie inside the chosen chip, and
// keep-config needs a 16F62XA (a fault the chip cannot have would silently test nothing).
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

// Writes `text` to a temporary file next to `path` and renames it into place, so an
// interrupted write never leaves a half file. With `replace` false an existing `path` is
// left alone and the write fails. Answers the empty text, or why it failed.
std::string WriteFileAtomically(const std::string& path, std::string_view text, bool replace);

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

  // Loads the chip's memories from the state file, or writes it as an erased chip when it
  // does not exist or is empty. Without a state file nothing happens. Answers the empty text or the
  // problem.
  std::string LoadState();
  // Saves the chip's memories to the state file atomically (nothing without a state file).
  std::string SaveState() const;

  SimAdapter& Adapter() { return *adapter_; }
  const SimAdapter& Adapter() const { return *adapter_; }
  Pacer& GetPacer() { return *pacer_; }
  const SimOptions& Options() const { return options_; }

 private:
  SimOptions options_;
  std::unique_ptr<Pacer> pacer_;
  std::unique_ptr<SimAdapter> adapter_;
};

}  // namespace daxwel::sim
