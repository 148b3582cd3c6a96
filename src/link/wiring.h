#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace daxwel {

// The output lines an adapter may have. Only the first four are moved by the serial protocol;
// the others follow from the state the driver asks for (see LineAsserted).
enum class Line : std::uint8_t {
  kVpp,         // MCLR to the programming voltage
  kVdd,         // target supply, when the adapter switches it
  kClock,       // RB6 / ICSPCLK
  kDataOut,     // RB7 / ICSPDAT driven by the PC
  kPgm,         // RB3/RB4 low-voltage-programming pin: always held off
  kRun,         // lets the target run its own program (today's adapter)
  kEnable,      // buffer or clock-buffer enable: on while the target is worked on
  kDataEnable,  // data-buffer enable: on while the PC drives the data line
  kDirection,   // data-buffer direction: on while the target sends a read frame
  kMclrLow,     // pulls MCLR to ground: on while the target is held in reset between entries
  kConnect,     // relay that connects the target: on while the target is worked on
  kLed,         // indicator: on while the target is worked on
  kCount,
};
inline constexpr std::size_t kLineCount = static_cast<std::size_t>(Line::kCount);

// The driver's line state (the DataLatch): one bit per logical line it sets. With today's
// adapter these are exactly its data-register bits, so the latch values stay as they were.
namespace state {
inline constexpr std::uint8_t kClock = 0x01;
inline constexpr std::uint8_t kData = 0x02;
inline constexpr std::uint8_t kVpp = 0x04;
inline constexpr std::uint8_t kRun = 0x08;
inline constexpr std::uint8_t kVdd = 0x10;
inline constexpr std::uint8_t kReading = 0x20;  // inside a read frame
inline constexpr std::uint8_t kHold = 0x40;     // between entries: target held in reset
}  // namespace state

// Whether `line` is asserted in the driver state `latch`.
bool LineAsserted(Line line, std::uint8_t latch);

// A DB-25 pin (1..25) and whether the signal is asserted when the pin is low. Number 0 is
// "not wired".
struct Pin {
  std::uint8_t number = 0;
  bool inverted = false;
  bool Wired() const { return number != 0; }
  friend bool operator==(const Pin&, const Pin&) = default;
};

enum class PortRegister : std::uint8_t { kData, kStatus, kControl };

// Where a pin lives: register, bit, and whether the port itself inverts the pin there
// (control bits 0, 1 and 3, status bit 7).
struct PinPlace {
  PortRegister reg;
  std::uint8_t bit;
  bool portInverts;
};
std::optional<PinPlace> PlaceOfPin(std::uint8_t number);
bool IsOutputPin(std::uint8_t number);
bool IsInputPin(std::uint8_t number);

// The two output registers as they should be written.
struct PortBytes {
  std::uint8_t data = 0;
  std::uint8_t control = 0;
  friend bool operator==(const PortBytes&, const PortBytes&) = default;
};

// How the program tells an attached adapter from an empty port.
enum class Presence : std::uint8_t {
  kPattern,   // status bits 7..3 read 0x80 or 0xC0 (today's adapter ties pins 11-13, 15)
  kLoopback,  // data in follows data out with no chip driving it
  kNone,      // no test: always taken as present
};

// What the back ends must write to leave every line of an adapter off: the data register
// always, the control register only when the adapter has lines there.
struct RestBytes {
  std::uint8_t data = 0;
  std::optional<std::uint8_t> control;
};

// One adapter: each logical line on a pin with its polarity, the data input, the presence
// test. Everything else (which registers are written, the "off" bytes, what a status byte
// means) follows from these.
struct Wiring {
  std::array<Pin, kLineCount> lines{};
  Pin dataIn;
  Presence presence = Presence::kNone;
  // The supply the adapter gives the part: the VPP its file declares (vpp-voltios; nothing
  // where it says nothing, taken as kAssumedVppVolts), and whether its VDD is limited by a
  // series resistor or an adjustable supply (vdd-limitada) rather than a fixed 5 V.
  std::optional<int> vppVolts;
  bool vddLimited = false;
  int VppVolts() const { return vppVolts.value_or(kAssumedVppVolts); }
  static constexpr int kAssumedVppVolts = 13;

  Pin& operator[](Line line) { return lines[static_cast<std::size_t>(line)]; }
  const Pin& operator[](Line line) const { return lines[static_cast<std::size_t>(line)]; }
  bool Has(Line line) const { return (*this)[line].Wired(); }
  bool SwitchesVdd() const { return Has(Line::kVdd); }

  // The register values for a driver state.
  PortBytes Bytes(std::uint8_t latch) const;
  // The register values with exactly the lines in `asserted` on (the line test).
  PortBytes BytesFor(const std::array<bool, kLineCount>& asserted) const;
  PortBytes Off() const { return Bytes(0); }
  RestBytes Rest() const;
  // Which registers carry output lines of this adapter.
  bool DrivesData() const;
  bool DrivesControl() const;
  // The register that carries the clock is written last, so data never moves with it.
  bool ClockOnControl() const;
  // The data input as the target drives it, from a raw status byte.
  bool DataInHigh(std::uint8_t status) const;
  // Whether a line is asserted in the raw register values (the target's view).
  bool Asserted(Line line, const PortBytes& bytes) const;

  friend bool operator==(const Wiring&, const Wiring&) = default;
};

// Today's adapter: clock D0, data D1, VPP D2, run D3 (pins 2 to 5, active high), data in on
// nACK (pin 10), VDD always on, presence pattern on pins 11, 12, 13 and 15.
const Wiring& DefaultWiring();

}  // namespace daxwel
