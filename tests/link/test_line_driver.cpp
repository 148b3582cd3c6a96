#include <gtest/gtest.h>

#include <sstream>

#include "link/icsp.h"
#include "link/line_driver.h"
#include "link/trace_port.h"
#include "support/recording_port.h"

namespace daxwel {
namespace {

using testing::RecordingPort;
using Bytes = std::vector<std::uint8_t>;

struct LinkFixture : ::testing::Test {
  RecordingPort port;
  VirtualPacer pacer;
  Link link{port, pacer, 0x378};
};

TEST_F(LinkFixture, LatchAndLineSequences) {
  EXPECT_EQ(SetLatchBit(0, 2, 1), 4);
  EXPECT_EQ(SetLatchBit(7, 0, 0), 6);
  EXPECT_EQ(SetLatchBit(6, 1, 1), 6);

  std::uint8_t latch = 3;
  LinesOff(link);
  EXPECT_EQ(latch, 3) << "LinesOff must not touch the caller's latch";
  latch = ResetLines(link);
  EXPECT_EQ(latch, 0);
  EXPECT_EQ(EnterProgramMode(link, latch), 4);
  EXPECT_EQ(latch, 4);
  RunLineOn(link);
  EXPECT_EQ(port.Writes(), (Bytes{0, 0, 4, 8}));
  for (const auto& a : port.log) EXPECT_EQ(a.address, 0x378);
  // ResetLines pauses one bit time; programming-mode entry holds at least 5 µs.
  EXPECT_GE(pacer.Now(), std::chrono::microseconds(6));
}

TEST_F(LinkFixture, EnterProgramModeOrsIntoCallersLatch) {
  std::uint8_t latch = 0x03;
  EXPECT_EQ(EnterProgramMode(link, latch), 0x07);
  EXPECT_EQ(port.Writes(), (Bytes{0x07}));
}

TEST(AdapterPresence, StatusPatterns) {
  for (std::uint8_t present : {0x87, 0xC7, 0x80, 0xC0, 0x9F & 0xC7})
    EXPECT_TRUE(IsPresencePattern(present)) << int(present);
  for (std::uint8_t absent : {0x90, 0x88, 0xA0, 0x00, 0xFF})
    EXPECT_FALSE(IsPresencePattern(absent)) << int(absent);

  RecordingPort port;
  VirtualPacer pacer;
  Link link{port, pacer, 0x278};
  port.reads = {0xC7, 0x88};
  EXPECT_TRUE(AdapterPresent(link));
  EXPECT_FALSE(AdapterPresent(link));
  EXPECT_EQ(port.log[0].address, 0x279);
  EXPECT_EQ(port.ReadCount(), 2);
}

TEST_F(LinkFixture, CommandFramesAreLsbFirstWithClockPairs) {
  std::uint8_t latch = 4;
  SendCommand(link, latch, "000110");  // Increment Address
  EXPECT_EQ(port.Writes(), (Bytes{5, 4, 7, 6, 7, 6, 5, 4, 5, 4, 5, 4}));
  EXPECT_EQ(latch, 4);

  port.log.clear();
  SendCommand(link, latch, "000010");  // data line 0,1,0,0,0,0 on the rising edges
  const Bytes writes = port.Writes();
  ASSERT_EQ(writes.size(), 12u);
  Bytes dataOnRise;
  for (std::size_t i = 0; i < writes.size(); i += 2) {
    EXPECT_EQ(writes[i] & 1, 1) << "odd writes raise the clock";
    EXPECT_EQ(writes[i + 1], writes[i] & ~1) << "even writes only lower it";
    dataOnRise.push_back((writes[i] >> 1) & 1);
  }
  EXPECT_EQ(dataOnRise, (Bytes{0, 1, 0, 0, 0, 0}));
  // Two bit times per clock.
  EXPECT_EQ(pacer.DelayCount(), 24);
}

TEST_F(LinkFixture, DataFrameCarriesStartWordAndStopBits) {
  std::uint8_t latch = 4;
  SendData(link, latch, "00000000010000");  // 0x0010
  const Bytes writes = port.Writes();
  ASSERT_EQ(writes.size(), 32u);
  Bytes bits;
  for (std::size_t i = 0; i < writes.size(); i += 2) bits.push_back((writes[i + 1] >> 1) & 1);
  EXPECT_EQ(bits, (Bytes{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(latch, 4);

  EXPECT_THROW(SendData(link, latch, "0101"), std::invalid_argument);
  EXPECT_THROW(SendCommand(link, latch, "00x110"), std::invalid_argument);
}

TEST_F(LinkFixture, ReadFrameSamplesAfterEachFallingEdge) {
  // The target returns 0x0560: bit 0 first, in status bit 6.
  const int word = 0x0560;
  port.reads.clear();
  for (int bit = 0; bit < 14; ++bit) port.reads.push_back(((word >> bit) & 1) ? 0xC7 : 0x87);
  const std::uint8_t callerLatch = 7;
  const std::string read = ReadData(link);
  EXPECT_EQ(read, "00010101100000");
  EXPECT_EQ(read.substr(2, 7), "0101011");
  EXPECT_EQ(callerLatch, 7);

  ASSERT_EQ(port.log.size(), 46u);
  Bytes expected{5, 4};
  for (int i = 0; i < 14; ++i) expected.insert(expected.end(), {5, 4});
  expected.insert(expected.end(), {5, 4});
  EXPECT_EQ(port.Writes(), expected);
  EXPECT_EQ(port.ReadCount(), 14);
  // Every status read comes right after a falling edge (a write of 4) and from In_Port.
  for (std::size_t i = 1; i < port.log.size(); ++i) {
    if (!port.log[i].write) {
      EXPECT_EQ(port.log[i].address, 0x379);
      EXPECT_TRUE(port.log[i - 1].write && port.log[i - 1].value == 4);
    }
  }
  EXPECT_EQ(port.Writes().back(), 4) << "the data register holds 4 after a read";

  // An adapter that vanishes mid-frame is a port failure, not a word of ones.
  port.reads = {0xC7, 0xC7, 0xFF};
  EXPECT_THROW(ReadData(link), PortError);
}

TEST_F(LinkFixture, WaitCycleWaitsItsOwnTimeAndYields) {
  int yields = 0;
  link.SetYield([&] { ++yields; });
  WaitCycle(link, std::chrono::milliseconds(4));
  WaitCycle(link, std::chrono::milliseconds(8));
  EXPECT_EQ(pacer.WaitedTotal(), std::chrono::milliseconds(12));
  EXPECT_GE(yields, 2) << "long waits keep the host live";
}

TEST(SteadyPacer, WaitsAtLeastWhatIsAsked) {
  SteadyPacer pacer;
  const auto t0 = pacer.Now();
  pacer.Delay(std::chrono::microseconds(1));
  const auto t1 = pacer.Now();
  EXPECT_GE(t1 - t0, std::chrono::microseconds(1));
  int yields = 0;
  pacer.Wait(std::chrono::milliseconds(3), [&] { ++yields; });
  EXPECT_GE(pacer.Now() - t1, std::chrono::milliseconds(3));
  EXPECT_GE(yields, 2) << "sleeps in slices so the host stays live";
}

TEST(TracePort, LogsEveryAccessWithTheProgramsClock) {
  RecordingPort inner;
  inner.reads = {0xC7};
  VirtualPacer pacer;
  std::ostringstream out;
  TracePort trace(inner, pacer, out);
  pacer.Advance(std::chrono::nanoseconds(1532));
  trace.PortOut(0x378, 0x05);
  pacer.Advance(std::chrono::nanoseconds(69));
  EXPECT_EQ(trace.PortIn(0x379), 0xC7);
  EXPECT_EQ(out.str(), "1532 W 0378 05\n1601 R 0379 C7\n");
  EXPECT_EQ(inner.Writes(), (Bytes{0x05}));
}

}  // namespace
}  // namespace daxwel
