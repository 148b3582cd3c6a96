#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/catalogue.h"
#include "device/operator.h"
#include "link/icsp.h"
#include "link/line_driver.h"

namespace daxwel::detail {

inline constexpr std::string_view kErasedWord = "11111111111111";

// Thrown at a yield point when the host asks the run to stop.
struct Abandoned {};

// One device operation's working state: its DataLatch and the paced protocol steps, each
// followed by the pause the parts need.
class Session {
 public:
  Session(Link& link, Operator& op);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Link& link;
  Operator& op;
  std::uint8_t latch = 0;

  void Command(std::string_view command);
  void Data(std::string_view word);
  std::string Read();
  // The resolved model, and the cycle times of the part actually attached.
  const DeviceModel* model = nullptr;
  CycleTimes cycles{kDefaultCycle, {}, kDefaultCycle, kDefaultCycle};

  // Sends `command` and waits out the self-timed cycle it starts (`wait`, its worst case),
  // then a yield point.
  void Cycle(std::string_view command, std::chrono::microseconds wait);
  // Begin Erase/Programming Cycle on one word and its wait.
  void Program();
  // Begin Programming Only Cycle and its wait: only for an erased word, since it can only
  // clear bits.
  void ProgramOnly();
  // Begin Erase/Programming Cycle that runs an erase armed before it, with the erase's wait.
  void EraseCycle();
  // For a row that also holds a part without a device ID: reads the ID and takes the faster
  // cycles only when the part shows the row's own ID. In programming mode before and after.
  void IdentifyPart();
  void Reset() { latch = ResetLines(link); }
  void Enter() { EnterProgramMode(link, latch, entry); }
  // The resolved family's entry order (used only where the adapter switches VDD).
  Entry entry = Entry::kVddFirst;
  void Increment() { Command(cmd::kIncrementAddress); }
  // Load Configuration with `word`, then `increments` Increment Address: config memory.
  void GoToConfig(std::string_view word, int increments);
  // Reads the configuration word (0x2007) of a target already in programming mode.
  std::string ReadConfigWord();
  // Reads the device ID (0x2006) and starts programming mode again (counter at 0).
  std::string ReadDeviceId();
  // Replaces the progress line (a yield point).
  void Progress(std::string_view text);
  void Checkpoint();
  // Visits addresses 0..last in order, stepping the target's counter with Increment Address
  // between them (none after the last). `visit(a)` returns false to stop; the result is the
  // address where it stopped, or -1 when every address was visited.
  template <typename Visit>
  int Walk(int last, Visit&& visit) {
    for (int a = 0; a <= last; ++a) {
      if (!visit(a)) return a;
      if (a < last) Increment();
    }
    return -1;
  }
  // Reads the word at the current address with `readCommand`; only when it differs from
  // `want` loads it with `loadCommand`, programs it and reads it back once. True when the
  // location then holds `want`. With `programOnlyWhenErased`, a word that read erased is
  // written with the part's shorter programming-only cycle, when it has one.
  template <typename Same>
  bool WriteIfDifferent(std::string_view readCommand, std::string_view loadCommand,
                        const std::string& want, Same&& same, bool programOnlyWhenErased = false) {
    Command(readCommand);
    const std::string before = Read();
    if (same(before, want)) return true;
    Command(loadCommand);
    Data(want);
    if (programOnlyWhenErased && cycles.HasProgramOnly() && before == kErasedWord) {
      ProgramOnly();
    } else {
      Program();
    }
    Command(readCommand);
    return same(Read(), want);
  }
  // Ends the run: progress hidden, the closing message shown, lines off; returns `result`.
  std::string Finish(std::string_view title, std::string_view text, std::string result);
  // Resolves the model (detecting when the list stands on "Autodetectar"); nullptr when
  // nothing was detected. Takes the model's cycle times (those of a part without an ID).
  const DeviceModel* ResolveModel();

 private:
  std::function<void()> savedYield_;
};

// Bit 4 (character 10) is a code-protection bit on every model: 0 means protected.
inline bool IsCodeProtected(std::string_view config) {
  return config.size() == 14 && config[9] == '0';
}

// Four upper-case hex digits.
std::string AddressText(int address);
// LinesOff that never throws: used on paths that are already failing.
void SafeLinesOff(Link& link);
// Data memory holds 8 bits: later silicon returns the upper six bits of a read as 0, older
// as 1, so only the low eight characters are compared.
bool SameDataByte(std::string_view read, std::string_view want);

// Runs `body` with the failure paths every operation shares: abandonment (lines 0, no
// message), and the catch-all (progress hidden, description under "Error", lines 0,
// `failureWord`). No exception escapes.
template <typename Body>
std::string Guarded(Link& link, Operator& op, const char* failureWord, Body&& body);

std::string DescribeCurrentException();

template <typename Body>
std::string Guarded(Link& link, Operator& op, const char* failureWord, Body&& body) {
  try {
    return body();
  } catch (const Abandoned&) {
    SafeLinesOff(link);
    op.HideProgress();
    return "abandoned";
  } catch (...) {
    const std::string description = DescribeCurrentException();
    SafeLinesOff(link);
    try {
      op.HideProgress();
      op.Message("Error", description);
    } catch (...) {
      // The host itself failed; the lines are already off.
    }
    SafeLinesOff(link);
    return failureWord;
  }
}

}  // namespace daxwel::detail
