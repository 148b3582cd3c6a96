#include "cli/interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

namespace daxwel::cli {

namespace {

// SIGUSR1 only wakes the watcher when the program ends. SIGHUP (the terminal or the SSH link
// gone) stops a run as cleanly as Ctrl-C, after the cycle in progress.
sigset_t WatchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGUSR1);
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
      if (sig == SIGUSR1) {
        if (stopping_.load()) return;
        continue;
      }
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
