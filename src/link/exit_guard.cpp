#include "link/exit_guard.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace daxwel {
namespace {

// The only process-wide mutable state of the port code: a signal handler has no other way to
// find the open port. Lock-free, so loading it inside a handler is safe.
std::atomic<const LinesOffAction*> g_registered{nullptr};
static_assert(std::atomic<const LinesOffAction*>::is_always_lock_free);

constexpr int kGuardedSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGSEGV,
                                   SIGBUS,  SIGILL, SIGFPE, SIGABRT};

extern "C" void LinesOffAndDie(int sig) {
  RunEmergencyLinesOff();
  // SA_RESETHAND already put back the default action; the signal stays blocked until this
  // handler returns and then ends the process the way it would have without us.
  std::raise(sig);
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

bool EmergencyLinesOffArmed() noexcept {
  return g_registered.load(std::memory_order_acquire) != nullptr;
}

void InstallExitGuard() {
  static const bool installed = [] {
    std::atexit(AtExitLinesOff);
    for (int sig : kGuardedSignals) {
      struct sigaction current {};
      if (sigaction(sig, nullptr, &current) != 0) continue;
      const bool isDefault = (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL;
      if (!isDefault) continue;
      struct sigaction guard {};
      guard.sa_handler = LinesOffAndDie;
      sigemptyset(&guard.sa_mask);
      guard.sa_flags = SA_RESETHAND;
      sigaction(sig, &guard, nullptr);
    }
    return true;
  }();
  (void)installed;
}

}  // namespace daxwel
