#include <gtest/gtest.h>

#include "link/icsp.h"
#include "link/line_driver.h"
#include "link/wiring.h"
#include "support/recording_port.h"

namespace daxwel {
namespace {

using testing::RecordingPort;

// Pins are written as peers' users write them: the number, negative when the signal is
// asserted at a low pin.
Wiring Make(int vpp, int vdd, int clock, int data, int dataIn) {
  auto pin = [](int n) { return Pin{static_cast<std::uint8_t>(n < 0 ? -n : n), n < 0}; };
  Wiring w;
  w[Line::kVpp] = pin(vpp);
  w[Line::kVdd] = pin(vdd);
  w[Line::kClock] = pin(clock);
  w[Line::kDataOut] = pin(data);
  w.dataIn = pin(dataIn);
  return w;
}

struct BytesCase {
  const char* what;
  Wiring wiring;
  std::uint8_t latch;
  PortBytes expected;
};

TEST(Wiring, RegisterBytesFollowPinsPolarityAndThePortsOwnInversions) {
  const Wiring tait = Make(-5, -4, 3, 2, 10);
  // Control pins 1, 14 and 17 are inverted by the port, pin 16 is not.
  const Wiring onControl = Make(16, 0, 1, -17, 13);
  const BytesCase cases[] = {
      {"today's adapter, off", DefaultWiring(), 0, {0x00, 0x00}},
      {"today's adapter, in a frame", DefaultWiring(), state::kVpp | state::kClock, {0x05, 0x00}},
      {"today's adapter, run", DefaultWiring(), state::kRun, {0x08, 0x00}},
      {"inverted VPP and VDD, off: their pins high", tait, 0, {0x0C, 0x00}},
      {"inverted VPP and VDD, on", tait, state::kVpp | state::kVdd, {0x00, 0x00}},
      {"inverted VPP and VDD, clock high",
       tait,
       state::kVpp | state::kVdd | state::kClock,
       {0x02, 0x00}},
      {"control register, off: pin 1 low is bit 0 set", onControl, 0, {0x00, 0x01}},
      {"control register, clock high clears bit 0",
       onControl,
       state::kVpp | state::kClock,
       {0x00, 0x04}},
      {"control register, inverted data on pin 17",
       onControl,
       state::kVpp | state::kData,
       {0x00, 0x0D}},
  };
  for (const BytesCase& c : cases) {
    EXPECT_EQ(c.wiring.Bytes(c.latch), c.expected) << c.what;
    for (Line line : {Line::kVpp, Line::kClock, Line::kDataOut}) {
      if (!c.wiring.Has(line)) continue;
      EXPECT_EQ(c.wiring.Asserted(line, c.expected), LineAsserted(line, c.latch))
          << c.what << ": line " << static_cast<int>(line) << " read back";
    }
  }
  EXPECT_FALSE(DefaultWiring().Rest().control) << "today's adapter never writes control";
  EXPECT_EQ(onControl.Rest().control, std::optional<std::uint8_t>(0x01));
  EXPECT_EQ(tait.Rest().data, 0x0C);
}

TEST(Wiring, DataInputOnAnyStatusPin) {
  struct Case {
    int pin;
    std::uint8_t status;
    bool high;
  } cases[] = {
      {10, 0x40, true},   {10, 0x00, false}, {-10, 0x40, false},
      {11, 0x00, true},   {11, 0x80, false},  // BUSY: the port inverts bit 7
      {-11, 0x00, false}, {12, 0x20, true},  {13, 0x10, true},
      {15, 0x08, true},   {15, 0xF7, false},
  };
  for (const Case& c : cases) {
    const Wiring w = Make(4, 0, 2, 3, c.pin);
    EXPECT_EQ(w.DataInHigh(c.status), c.high) << "pin " << c.pin << " status " << int(c.status);
  }
}

TEST(Wiring, ExtraLinesFollowTheDriverState) {
  struct Case {
    Line line;
    std::uint8_t latch;
    bool asserted;
  } cases[] = {
      {Line::kEnable, 0, false},
      {Line::kEnable, state::kVpp, true},
      {Line::kEnable, state::kVdd | state::kRun, false},  // never fights the running program
      {Line::kDataEnable, state::kVpp, true},
      {Line::kDataEnable, state::kVpp | state::kReading, false},
      {Line::kDirection, state::kVpp | state::kReading, true},
      {Line::kMclrLow, state::kHold, true},
      {Line::kMclrLow, state::kVpp, false},
      {Line::kConnect, state::kVdd | state::kRun, true},
      {Line::kPgm, 0xFF, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineAsserted(c.line, c.latch), c.asserted)
        << "line " << static_cast<int>(c.line) << " state " << int(c.latch);
  }
}

TEST(Wiring, ClockRegisterIsWrittenLastAndReadsNeedNoPattern) {
  RecordingPort port;
  VirtualPacer pacer;
  Wiring w = Make(16, 0, 1, -17, -11);
  Link link(port, pacer, 0x378, w);
  LinesOff(link);
  ASSERT_EQ(port.log.size(), 1u) << "no line on the data register: only control is written";
  EXPECT_EQ(port.log[0].address, 0x37A);
  EXPECT_EQ(port.log[0].value, 0x01);

  // Word 0x0001 on an inverted BUSY input: data 1 is a low pin, bit 7 set.
  port.log.clear();
  port.reads = {0x80};
  port.idle = 0x00;
  EXPECT_EQ(ReadData(link), "00000000000001");
  EXPECT_EQ(port.ReadCount(), 14);

  // Clock on the data register, VPP on control: control first, then data.
  w = Make(16, 0, 2, 3, 10);
  link.SetWiring(w);
  port.log.clear();
  std::uint8_t latch = 0;
  EnterProgramMode(link, latch);
  ASSERT_EQ(port.log.size(), 2u);
  EXPECT_EQ(port.log[0].address, 0x37A);
  EXPECT_EQ(port.log[0].value, 0x04);
  EXPECT_EQ(port.log[1].address, 0x378);
}

// A RecordingPort that also notes when each write happened.
class TimedPort final : public PortIo {
 public:
  explicit TimedPort(const VirtualPacer& pacer) : pacer_(pacer) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override {
    inner.PortOut(address, value);
    times.push_back(pacer_.Now());
  }
  std::uint8_t PortIn(std::uint16_t address) override { return inner.PortIn(address); }
  std::vector<std::uint8_t> Writes() const { return inner.Writes(); }
  RecordingPort inner;
  std::vector<std::chrono::nanoseconds> times;

 private:
  const VirtualPacer& pacer_;
};

TEST(Wiring, EntryOrderOnAnAdapterThatSwitchesVdd) {
  const Wiring tait = Make(-5, -4, 3, 2, 10);
  struct Case {
    Entry entry;
    std::vector<std::uint8_t> writes;  // VPP is pin 5 (bit 3), VDD pin 4 (bit 2), inverted
  } cases[] = {
      {Entry::kVddFirst, {0x08, 0x00}},
      {Entry::kVppFirst, {0x04, 0x00}},
  };
  for (const Case& c : cases) {
    VirtualPacer pacer;
    TimedPort port(pacer);
    Link link(port, pacer, 0x378, tait);
    std::uint8_t latch = ResetLines(link);
    EXPECT_GE(pacer.WaitedTotal(), kVddDischarge) << "the supply falls before a new entry";
    port.inner.log.clear();
    port.times.clear();
    EXPECT_EQ(EnterProgramMode(link, latch, c.entry), state::kVpp | state::kVdd);
    EXPECT_EQ(port.Writes(), c.writes);
    // Whichever supply comes second waits for the first to settle at the pin: an adapter's
    // VPP stage takes tens of microseconds, far more than the parts' 5 µs.
    ASSERT_EQ(port.times.size(), 2u);
    EXPECT_GE(port.times[1] - port.times[0], std::chrono::microseconds(100));
  }
  // Without a VDD line the order cannot matter: one write, as today.
  RecordingPort port;
  VirtualPacer pacer;
  Link link(port, pacer);
  std::uint8_t latch = 0;
  EnterProgramMode(link, latch, Entry::kVppFirst);
  EXPECT_EQ(port.Writes(), (std::vector<std::uint8_t>{0x04}));
}

// The extra half-period only lengthens the clock: each phase keeps its 1 µs minimum and
// gains the adapter's extra time.
TEST(Wiring, ExtraHalfPeriodLengthensEveryClockPhase) {
  for (int extra : {0, 7, 50}) {
    RecordingPort port;
    VirtualPacer pacer;
    Link link(port, pacer);
    link.SetExtraHalfPeriod(std::chrono::microseconds(extra));
    std::uint8_t latch = state::kVpp;
    SendCommand(link, latch, "000110");
    EXPECT_EQ(pacer.Now(), 12 * (kBitDelay + std::chrono::microseconds(extra))) << extra;
  }
}

TEST(Wiring, LoopbackPresenceNeedsDataInToFollowDataOut) {
  Wiring w = Make(-5, -4, 3, 2, 10);
  w.presence = Presence::kLoopback;
  struct Case {
    std::deque<std::uint8_t> reads;
    bool present;
  } cases[] = {
      {{0x00, 0x40}, true},
      {{0x40, 0x40}, false},  // stuck high: nothing attached
      {{0x00, 0x00}, false},
  };
  for (const Case& c : cases) {
    RecordingPort port;
    VirtualPacer pacer;
    Link link(port, pacer, 0x378, w);
    port.reads = c.reads;
    EXPECT_EQ(AdapterPresent(link), c.present);
    EXPECT_EQ(port.Writes().back(), w.Off().data) << "lines off after the test";
  }
  w.presence = Presence::kNone;
  RecordingPort port;
  VirtualPacer pacer;
  Link link(port, pacer, 0x378, w);
  EXPECT_TRUE(AdapterPresent(link));
  EXPECT_TRUE(port.log.empty());
}

}  // namespace
}  // namespace daxwel
