#pragma once

#include <chrono>
#include <functional>

namespace daxwel {

// Time since the clock was made. The simulator reads the same clock the pacer advances, so
// under the virtual clock every timing rule is checked without real waiting.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::nanoseconds Now() const = 0;
};

// Waits. Delay() is a short wait inside a frame (never yields); Wait() is a long wait that
// calls `yield` repeatedly while the time passes so a host event loop stays live.
// Both must last at least the time asked for.
class Pacer {
 public:
  virtual ~Pacer() = default;
  virtual void Delay(std::chrono::nanoseconds d) = 0;
  virtual void Wait(std::chrono::nanoseconds d, const std::function<void()>& yield) = 0;
  virtual const Clock& GetClock() const = 0;
};

// Real time: Delay busy-waits on the steady clock (calibrated, cannot be optimised away),
// Wait sleeps in slices of at most 1 ms between calls of `yield`.
class SteadyPacer final : public Pacer, public Clock {
 public:
  SteadyPacer();
  std::chrono::nanoseconds Now() const override;
  void Delay(std::chrono::nanoseconds d) override;
  void Wait(std::chrono::nanoseconds d, const std::function<void()>& yield) override;
  const Clock& GetClock() const override { return *this; }

 private:
  std::chrono::steady_clock::time_point start_;
};

// Virtual time for tests and instant simulation: every wait advances the clock at once.
class VirtualPacer final : public Pacer, public Clock {
 public:
  std::chrono::nanoseconds Now() const override { return now_; }
  void Delay(std::chrono::nanoseconds d) override;
  void Wait(std::chrono::nanoseconds d, const std::function<void()>& yield) override;
  const Clock& GetClock() const override { return *this; }
  // Lets tests move time on by hand (for example to age a port write).
  void Advance(std::chrono::nanoseconds d) { now_ += d; }
  // Totals, so tests can see what an operation cost.
  long long DelayCount() const { return delays_; }
  long long WaitCount() const { return waits_; }
  std::chrono::nanoseconds WaitedTotal() const { return waited_; }

 private:
  std::chrono::nanoseconds now_{0};
  std::chrono::nanoseconds waited_{0};
  long long delays_ = 0;
  long long waits_ = 0;
};

}  // namespace daxwel
