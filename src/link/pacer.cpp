#include <thread>

#include "link/clock.h"

namespace daxwel {

namespace {
using std::chrono::nanoseconds;
using std::chrono::steady_clock;
constexpr nanoseconds kSleepSlice = std::chrono::milliseconds(1);
}  // namespace

SteadyPacer::SteadyPacer() : start_(steady_clock::now()) {}

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
