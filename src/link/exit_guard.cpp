#include "link/exit_guard.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <span>

namespace daxwel {
namespace {

// The only process-wide mutable state of the port code: a signal handler has no other way to
// find the open port. Lock-free, so loading it inside a handler is safe.
std::atomic<const LinesOffAction*> g_registered{nullptr};
static_assert(std::atomic<const LinesOffAction*>::is_always_lock_free);

extern "C" void LinesOffAndDie(int sig) {
  RunEmergencyLinesOff();
  // SA_RESETHAND already put back the default action; the signal stays blocked until this
  // handler returns and then ends the process the way it would have without us.
  std::raise(sig);
}

// Signals that ask the process to end, as opposed to the faults below: a host may take them
// over to stop cleanly. Every one whose default action ends the process is here.
constexpr int kStopSignals[] = {
    SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
#ifdef SIGPWR
    SIGPWR,
#endif
};
constexpr int kFaultSignals[] = {SIGQUIT, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

bool HasDefaultAction(int sig) {
  struct sigaction current {};
  if (sigaction(sig, nullptr, &current) != 0) return false;
  return (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL;
}

void Guard(int sig) {
  if (!HasDefaultAction(sig)) return;
  struct sigaction guard {};
  guard.sa_handler = LinesOffAndDie;
  sigemptyset(&guard.sa_mask);
  guard.sa_flags = SA_RESETHAND;
  sigaction(sig, &guard, nullptr);
}

void AtExitLinesOff() { RunEmergencyLinesOff(); }

}  // namespace

EmergencyRegistration::EmergencyRegistration(LinesOffAction action) : action_(action) {
  g_registered.store(&action_, std::memory_order_release);
}

EmergencyRegistration::~EmergencyRegistration() {
  const LinesOffAction* mine = &action_;
  g_registered.compare_exchange_strong(mine, nullptr, std::memory_order_acq_rel);
}

void RunEmergencyLinesOff() noexcept {
  const LinesOffAction* action = g_registered.load(std::memory_order_acquire);
  if (action != nullptr && action->run != nullptr) action->run(*action);
}

std::span<const int> StopSignals() { return kStopSignals; }

bool EmergencyLinesOffArmed() noexcept {
  return g_registered.load(std::memory_order_acquire) != nullptr;
}

void InstallExitGuard() {
  static const bool installed = [] {
    std::atexit(AtExitLinesOff);
    for (int sig : kStopSignals) Guard(sig);
    for (int sig : kFaultSignals) Guard(sig);
    // A write past the file-size limit then fails like a full disk, which the trace and the
    // chip file already report, instead of ending the run with VPP on.
    if (HasDefaultAction(SIGXFSZ)) std::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)installed;
}

}  // namespace daxwel
