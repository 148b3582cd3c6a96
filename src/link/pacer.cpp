#include <sys/prctl.h>

#include <thread>

#include "link/clock.h"

namespace daxwel {

namespace {
using std::chrono::nanoseconds;
using std::chrono::steady_clock;
constexpr nanoseconds kSleepSlice = std::chrono::milliseconds(1);
}  // namespace

SteadyPacer::SteadyPacer() : start_(steady_clock::now()) {
  // The kernel may let a sleep run up to 50 us late by default to batch wake-ups; over the
  // thousands of cycle waits of a programming run that adds up to seconds. Ask for precise
  // wake-ups on this (the operations') thread; a refusal only costs that time.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

nanoseconds SteadyPacer::Now() const {
  return std::chrono::duration_cast<nanoseconds>(steady_clock::now() - start_);
}

// A calibrated spin on the steady clock: a counted loop would be removed by the optimiser
// or last a few hundred nanoseconds on a current processor.
void SteadyPacer::Delay(nanoseconds d) {
  const auto until = steady_clock::now() + d;
  while (steady_clock::now() < until) {
  }
}

// Long waits sleep in short slices so the host's event loop keeps running and the
// processor is not spun; the deadline is checked on the clock, never by counting slices.
void SteadyPacer::Wait(nanoseconds d, const std::function<void()>& yield) {
  const auto until = steady_clock::now() + d;
  for (;;) {
    if (yield) yield();
    const auto now = steady_clock::now();
    if (now >= until) return;
    std::this_thread::sleep_for(std::min<nanoseconds>(until - now, kSleepSlice));
  }
}

void VirtualPacer::Delay(nanoseconds d) {
  now_ += d;
  ++delays_;
}

void VirtualPacer::Wait(nanoseconds d, const std::function<void()>& yield) {
  if (yield) yield();
  now_ += d;
  waited_ += d;
  ++waits_;
}

}  // namespace daxwel
