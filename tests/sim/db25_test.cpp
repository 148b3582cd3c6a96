// Every DB-25 pin of the PC parallel port against the port's hardware, written out here on its
// own: the wiring and the simulated adapter both decode through PlaceOfPin, so a wrong row
// there would pass any test that only sets one against the other.
#include <gtest/gtest.h>

#include <string>

#include "link/clock.h"
#include "link/wiring.h"
#include "sim/sim_adapter.h"

namespace daxwel {
namespace {

constexpr std::uint16_t kBase = 0x378;

// The standard port (IEEE 1284 compatibility mode): data D0-D7 on pins 2-9; nSTROBE, nAUTOFD,
// nINIT, nSELECTIN on control bits 0-3, the port inverting all but nINIT; nACK, BUSY, PAPER
// OUT, SELECT, nERROR on status bits 6, 7, 5, 4, 3, the port inverting BUSY; 18-25 ground.
struct HardwarePin {
  int pin;
  char reg;  // 'D'ata, 'C'ontrol, 'S'tatus, '-' ground
  int bit;
  bool inverted;  // the register bit is 1 when the pin is low
};
constexpr HardwarePin kDb25[] = {
    {1, 'C', 0, true},   {2, 'D', 0, false},  {3, 'D', 1, false},  {4, 'D', 2, false},
    {5, 'D', 3, false},  {6, 'D', 4, false},  {7, 'D', 5, false},  {8, 'D', 6, false},
    {9, 'D', 7, false},  {10, 'S', 6, false}, {11, 'S', 7, true},  {12, 'S', 5, false},
    {13, 'S', 4, false}, {14, 'C', 1, true},  {15, 'S', 3, false}, {16, 'C', 2, false},
    {17, 'C', 3, true},  {18, '-', 0, false}, {19, '-', 0, false}, {20, '-', 0, false},
    {21, '-', 0, false}, {22, '-', 0, false}, {23, '-', 0, false}, {24, '-', 0, false},
    {25, '-', 0, false},
};

// The register bit that puts the pin at logic `high`.
std::uint8_t BitFor(const HardwarePin& h, bool high) {
  return high != h.inverted ? static_cast<std::uint8_t>(1u << h.bit) : 0;
}

// The status byte with the data input's pin at `dataHigh` and every other input floating
// high; bits 0-2 read 1.
std::uint8_t StatusWith(int dataPin, bool dataHigh) {
  std::uint8_t status = 0x07;
  for (const HardwarePin& h : kDb25) {
    if (h.reg == 'S') status |= BitFor(h, h.pin == dataPin ? dataHigh : true);
  }
  return status;
}

void CheckOutput(const HardwarePin& h, std::uint8_t n) {
  const bool control = h.reg == 'C';
  const std::uint16_t address = control ? kBase + 2 : kBase;
  Wiring w;
  w[Line::kVdd] = {n, false};
  for (const bool high : {true, false}) {
    const PortBytes bytes = w.Bytes(high ? state::kVdd : 0);
    EXPECT_EQ(control ? bytes.control : bytes.data, BitFor(h, high)) << "pin high: " << high;
    EXPECT_EQ(control ? bytes.data : bytes.control, 0);

    VirtualPacer pacer;
    sim::SimAdapter adapter(*sim::ParseSimModel("16F877"), pacer, kBase, {}, w);
    adapter.PortOut(address, BitFor(h, high));
    EXPECT_EQ(adapter.Powered(), high) << "the simulated adapter reads pin high: " << high;
  }
}

void CheckInput(const HardwarePin& h, std::uint8_t n) {
  Wiring w;
  w.dataIn = {n, false};
  for (const bool high : {true, false}) {
    EXPECT_EQ(w.DataInHigh(BitFor(h, high)), high);
    EXPECT_EQ(w.DataInHigh(StatusWith(h.pin, high)), high);

    sim::Faults target;
    target.noTarget = high ? 1 : 0;
    VirtualPacer pacer;
    sim::SimAdapter adapter(*sim::ParseSimModel("16F877"), pacer, kBase, target, w);
    EXPECT_EQ(adapter.PortIn(kBase + 1), StatusWith(h.pin, high)) << "data in high: " << high;
  }
}

TEST(Db25, EveryPinAsThePortHardwareHasIt) {
  for (const HardwarePin& h : kDb25) {
    SCOPED_TRACE("pin " + std::to_string(h.pin));
    const auto n = static_cast<std::uint8_t>(h.pin);
    const auto place = PlaceOfPin(n);
    EXPECT_EQ(IsOutputPin(n), h.reg == 'D' || h.reg == 'C');
    EXPECT_EQ(IsInputPin(n), h.reg == 'S');
    if (h.reg == '-') {
      EXPECT_FALSE(place.has_value());
      continue;
    }
    ASSERT_TRUE(place.has_value());
    const PortRegister reg = h.reg == 'D'   ? PortRegister::kData
                             : h.reg == 'C' ? PortRegister::kControl
                                            : PortRegister::kStatus;
    EXPECT_EQ(place->reg, reg);
    EXPECT_EQ(place->bit, h.bit);
    EXPECT_EQ(place->portInverts, h.inverted);
    if (h.reg == 'S') {
      CheckInput(h, n);
    } else {
      CheckOutput(h, n);
    }
  }
}

}  // namespace
}  // namespace daxwel
