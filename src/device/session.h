#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/catalogue.h"
#include "device/operator.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"
#include "link/icsp.h"
#include "link/line_driver.h"

namespace daxwel::detail {

inline constexpr std::string_view kErasedWord = "11111111111111";
inline constexpr std::string_view kZeroWord = "00000000000000";
// The data word sent with Load Configuration before reading configuration memory; the
// parts that load it discard it unless a write follows.
inline constexpr std::string_view kConfigReadWord = "00000000010000";
inline constexpr std::uint16_t kErasedValue = 0x3FFF;

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
  // Whether the model came from the list rather than from a detection.
  bool chosenByHand = false;
  CycleTimes cycles{kDefaultCycle, {}, kDefaultCycle};

  // Sends `command` and waits out the self-timed cycle it starts (`wait`, its worst case),
  // then a yield point unless the cycle must be followed by another command first.
  void Cycle(std::string_view command, std::chrono::microseconds wait, bool yieldPoint = true);
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
  // Load Configuration with `word` (the counter to the family's base), then `increments`
  // Increment Address: configuration memory.
  void GoToConfig(std::string_view word, int increments);
  // Reads the (first) configuration word of a target already in programming mode.
  std::string ReadConfigWord();
  // Reads the device ID and starts programming mode again (counter at 0).
  std::string ReadDeviceId();
  // Replaces the progress line (a yield point).
  void Progress(std::string_view text);
  void Checkpoint();
  // While held, yield points do not stop the run: for steps that must follow each other with no
  // way out in between (an erase and the write-back of what it cleared). A stop asked meanwhile
  // is acted on at the first yield point after the hold ends.
  void HoldYieldPoints(bool hold) { held_ += hold ? 1 : -1; }
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
  // Ends the run: progress hidden, the closing message shown, lines off; returns `result`.
  std::string Finish(std::string_view title, std::string_view text, std::string result);
  // Ends the run on a HEX file that could not be taken: the file's message, and the result
  // word of its status (`otherwise` for a file that could not be read).
  std::string FailOnFile(const HexLoadResult& loaded, HexWording wording, const char* otherwise);
  // Resolves the model (detecting when the list stands on "Autodetectar"); nullptr when
  // nothing was detected. Takes the model's cycle times (those of a part without an ID).
  const DeviceModel* ResolveModel();

 private:
  std::function<void()> savedYield_;
  int held_ = 0;
};

// The 14 bits of a word read as a BitString.
inline std::uint16_t WordOf(std::string_view bits) {
  return static_cast<std::uint16_t>(FromBitString(bits) & 0x3FFF);
}
// The 14-bit word a file's ID entry is written as: `fileBits` (the family's) taken from the
// file, the other bits as 0x3F80 has them.
std::string IdWordBits(std::int16_t id, std::uint16_t fileBits);

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
