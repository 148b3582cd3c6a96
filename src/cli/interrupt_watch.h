#pragma once

#include <atomic>
#include <thread>

namespace daxwel::cli {

// Turns Ctrl-C (SIGINT), SIGTERM, SIGHUP and the other signals that would end the process
// (StopSignals: SIGUSR1, SIGALRM, SIGXCPU...) into a flag the device operations poll at their yield
// points, so a run stops with the lines at 0 instead of dying half-way through a frame. The
// signals are blocked in every thread and taken by one watcher thread (sigwait), so no signal
// handler and no global state are needed. Make it before any other thread is started.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool Requested() const { return signal_.load() != 0; }
  // The first signal taken, 0 when none.
  int Signal() const { return signal_.load(); }

 private:
  std::atomic<int> signal_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace daxwel::cli
