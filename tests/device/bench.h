#pragma once

#include <gtest/gtest.h>

#include <string>

#include "device/catalogue.h"
#include "device/operations.h"
#include "link/clock.h"
#include "sim/sim_adapter.h"
#include "support/hex_builder.h"
#include "support/scripted_operator.h"

namespace daxwel::testing {

// Model index of the list entry that serves a simulated part, found by its name.
inline int IndexOf(sim::SimModel m) { return ModelIndexByName(sim::SimModelName(m)).value_or(0); }

// Remembers the last value written, so the lines' state is known even after the adapter
// itself stopped listening.
class WriteTap final : public PortIo {
 public:
  explicit WriteTap(PortIo& inner) : inner_(inner) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override {
    last = value;
    ++writes;
    inner_.PortOut(address, value);
  }
  std::uint8_t PortIn(std::uint16_t address) override { return inner_.PortIn(address); }
  int last = -1;
  long long writes = 0;

 private:
  PortIo& inner_;
};

// A simulated chip on the adapter, a virtual clock, and a scripted user.
struct Bench {
  explicit Bench(sim::SimModel model, sim::Faults faults = {})
      : sim(model, pacer, 0x378, faults), tap(sim), link(tap, pacer, 0x378) {
    op.model = IndexOf(model);
  }

  // After every operation of ours: no broken protocol rule, lines at 0, viewer hidden.
  void ExpectClean(const char* where = "") const {
    std::string all;
    for (const auto& v : sim.Violations()) all += v + "\n";
    EXPECT_TRUE(sim.Violations().empty()) << where << "\n" << all;
    EXPECT_EQ(sim.DataRegister(), 0) << where;
    EXPECT_EQ(tap.last, 0) << where;
    EXPECT_FALSE(op.progressVisible) << where;
  }

  // A part with a shunt regulator is only worked on a VDD the adapter declares limited.
  void LimitVddFor(const DeviceModel& row) {
    if (row.hvVdd.empty()) return;
    Wiring limited = DefaultWiring();
    limited.vddLimited = true;
    link.SetWiring(limited);
    sim.SetWiring(limited);
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  WriteTap tap;
  Link link;
  ScriptedOperator op;
  TempDir dir;
};

inline std::string Example(const std::string& name) {
  return std::string(DAXWEL_SOURCE_DIR) + "/examples/" + name;
}

}  // namespace daxwel::testing
