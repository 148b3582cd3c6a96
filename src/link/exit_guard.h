#pragma once

#include <cstdint>
#include <span>

namespace daxwel {

// How to drop the adapter lines from inside a signal handler: `run(action)` must be
// async-signal-safe (an ioctl or outb per register, a write). A null `run` means "nothing to
// do". `data` and `control` are the adapter's "off" bytes (control < 0: not written).
struct LinesOffAction {
  void (*run)(const LinesOffAction& action) noexcept = nullptr;
  int handle = -1;
  std::uint8_t data = 0;
  int control = -1;
};

// While alive, the port that owns it can be brought to its "off" bytes by
// RunEmergencyLinesOff().
// One slot for the whole process: a signal handler can only reach a global, and a single
// lock-free atomic pointer is the least it needs. A newer registration replaces an older one;
// an object only clears the slot while it still holds it.
class EmergencyRegistration {
 public:
  explicit EmergencyRegistration(LinesOffAction action);
  ~EmergencyRegistration();
  EmergencyRegistration(const EmergencyRegistration&) = delete;
  EmergencyRegistration& operator=(const EmergencyRegistration&) = delete;

 private:
  const LinesOffAction action_;
};

// Writes the "off" bytes to the registered port, if any. Async-signal-safe; hosts
// with their own handlers for fatal signals call it from there.
void RunEmergencyLinesOff() noexcept;

// True while some port is registered (for diagnostics and tests).
bool EmergencyLinesOffArmed() noexcept;

// The catchable signals whose default action ends the process without a fault: SIGTERM,
// SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU and SIGPWR where the
// system has it. A host that can stop an operation cleanly takes these over.
std::span<const int> StopSignals();

// Makes every way out of the process leave the lines off, in addition to the port's own
// destructor: an atexit hook (std::exit without unwinding) and handlers for the StopSignals()
// and for SIGQUIT, SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT that drop the lines and
// re-raise the signal with its default action. SIGXFSZ is ignored, so a write beyond the
// file-size limit fails (and is reported) instead of ending the process with the lines on. A
// signal whose disposition is not the default when this is called (a host's own SIGINT
// handler, a sanitizer's SIGSEGV handler) is left alone. Call once at start-up, before any
// thread is started; later calls do nothing.
void InstallExitGuard();

}  // namespace daxwel
