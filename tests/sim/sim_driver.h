#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "sim/sim_adapter.h"

namespace daxwel::sim {

class ManualClock final : public Clock {
 public:
  std::chrono::nanoseconds Now() const override { return now_; }
  void Advance(std::chrono::nanoseconds d) { now_ += d; }

 private:
  std::chrono::nanoseconds now_{0};
};

// Drives the adapter's lines as a careful programmer would, at exactly the minimum pauses, so
// a test can break one rule at a time by writing its own edges.
struct LineDriver {
  explicit LineDriver(SimModel model, Faults faults = {}, std::uint16_t port = 0x378)
      : sim(model, clock, port, std::move(faults)), base(port) {}

  ManualClock clock;
  SimAdapter sim;
  std::uint16_t base;

  void Out(std::uint8_t value) { sim.PortOut(base, value); }
  std::uint8_t Status() { return sim.PortIn(static_cast<std::uint16_t>(base + 1)); }
  void Pause(std::chrono::nanoseconds d) { clock.Advance(d); }

  // VPP low long enough to reset the address counter, then the hold before the first clock.
  void Enter() {
    Out(0);
    Pause(std::chrono::microseconds(10));
    Out(4);
    Pause(std::chrono::microseconds(5));
  }
  void Leave() {
    Out(0);
    Pause(std::chrono::microseconds(1));
  }
  // `count` bits of `value`, least significant first, each latched on its falling edge.
  void SendBits(unsigned value, int count) {
    for (int i = 0; i < count; ++i) {
      const auto data = static_cast<std::uint8_t>(((value >> i) & 1) << 1);
      Out(static_cast<std::uint8_t>(5 | data));
      Pause(std::chrono::microseconds(1));
      Out(static_cast<std::uint8_t>(4 | data));
      Pause(std::chrono::microseconds(1));
    }
  }
  // A read frame: the target drives the data line from clock 2 to clock 15.
  unsigned ReadFrame() {
    unsigned word = 0;
    for (int k = 1; k <= 16; ++k) {
      Out(5);
      Pause(std::chrono::microseconds(1));
      Out(4);
      if (k >= 2 && k <= 15 && (Status() & 0x40)) word |= 1u << (k - 2);
      Pause(std::chrono::microseconds(1));
    }
    return word;
  }
};

// Whole commands on top of the lines. A command runs on its sixth falling edge, 2 us before
// the next one may start.
struct CommandDriver : LineDriver {
  using LineDriver::LineDriver;

  void Bits(unsigned value, int count) {
    SendBits(value, count);
    Pause(std::chrono::microseconds(1));
  }
  void Cmd(unsigned c, std::chrono::nanoseconds wait = std::chrono::nanoseconds(0)) {
    Bits(c, 6);
    Pause(wait);
  }
  void Load(unsigned c, unsigned word) {
    Cmd(c);
    Bits((word & 0x3FFF) << 1, 16);
  }
  unsigned Read(unsigned c) {
    Cmd(c);
    const unsigned word = ReadFrame();
    Pause(std::chrono::microseconds(1));
    return word;
  }
  void Inc(int n = 1) {
    for (int i = 0; i < n; ++i) Cmd(0x06);
  }
  void ToConfig(int offset) {
    Load(0x00, 0x3FFF);
    Inc(offset);
  }
  // Eight latches from `first`, the counter left on the row's last word.
  void LoadRow(unsigned first) {
    for (unsigned i = 0; i < 8; ++i) {
      if (i > 0) Inc();
      Load(0x02, first + i);
    }
  }
  std::string All() const {
    std::string all;
    for (const auto& v : sim.Violations()) all += v + "\n";
    return all;
  }
};

}  // namespace daxwel::sim
