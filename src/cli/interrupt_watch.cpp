#include "cli/interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

#include "link/exit_guard.h"

namespace daxwel::cli {

namespace {

// Every signal that would end the program stops a run as cleanly as Ctrl-C, after the cycle
// in progress: SIGHUP (the terminal or the SSH link gone), a timer's SIGALRM, a CPU limit's
// SIGXCPU... SIGUSR1 also wakes the watcher when the program ends.
sigset_t WatchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : StopSignals()) sigaddset(&set, sig);
  return set;
}

}  // namespace

InterruptWatch::InterruptWatch() {
  const sigset_t set = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  thread_ = std::thread([this, set] {
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) != 0) continue;
      if (sig == SIGUSR1 && stopping_.load()) return;
      int none = 0;
      signal_.compare_exchange_strong(none, sig);
    }
  });
}

InterruptWatch::~InterruptWatch() {
  stopping_.store(true);
  pthread_kill(thread_.native_handle(), SIGUSR1);
  thread_.join();
}

}  // namespace daxwel::cli
