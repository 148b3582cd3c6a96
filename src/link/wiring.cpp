#include "link/wiring.h"

namespace daxwel {

namespace {

bool Working(std::uint8_t latch) { return (latch & (state::kVpp | state::kVdd)) != 0; }

// Buffers that would hold RB6/RB7 against the target's own program stay off in run mode.
bool Driving(std::uint8_t latch) { return Working(latch) && (latch & state::kRun) == 0; }

bool RegisterBit(const PinPlace& place, bool pinHigh) { return pinHigh != place.portInverts; }

}  // namespace

bool LineAsserted(Line line, std::uint8_t latch) {
  switch (line) {
    case Line::kVpp:
      return (latch & state::kVpp) != 0;
    case Line::kVdd:
      return (latch & state::kVdd) != 0;
    case Line::kClock:
      return (latch & state::kClock) != 0;
    case Line::kDataOut:
      return (latch & state::kData) != 0;
    case Line::kPgm:
      return false;
    case Line::kRun:
      return (latch & state::kRun) != 0;
    case Line::kEnable:
      return Driving(latch);
    case Line::kDataEnable:
      return Driving(latch) && (latch & state::kReading) == 0;
    case Line::kDirection:
      return (latch & state::kReading) != 0;
    case Line::kMclrLow:
      return (latch & state::kHold) != 0;
    case Line::kConnect:
    case Line::kLed:
      return Working(latch);
    case Line::kCount:
      break;
  }
  return false;
}

std::optional<PinPlace> PlaceOfPin(std::uint8_t number) {
  if (number >= 2 && number <= 9) {
    return PinPlace{PortRegister::kData, static_cast<std::uint8_t>(number - 2), false};
  }
  switch (number) {
    case 1:
      return PinPlace{PortRegister::kControl, 0, true};  // nSTROBE
    case 14:
      return PinPlace{PortRegister::kControl, 1, true};  // nAUTOFD
    case 16:
      return PinPlace{PortRegister::kControl, 2, false};  // nINIT
    case 17:
      return PinPlace{PortRegister::kControl, 3, true};  // nSELECTIN
    case 10:
      return PinPlace{PortRegister::kStatus, 6, false};  // nACK
    case 11:
      return PinPlace{PortRegister::kStatus, 7, true};  // BUSY
    case 12:
      return PinPlace{PortRegister::kStatus, 5, false};  // PAPER OUT
    case 13:
      return PinPlace{PortRegister::kStatus, 4, false};  // SELECT
    case 15:
      return PinPlace{PortRegister::kStatus, 3, false};  // nERROR
    default:
      return std::nullopt;  // 18-25 are ground
  }
}

bool IsOutputPin(std::uint8_t number) {
  const auto place = PlaceOfPin(number);
  return place && place->reg != PortRegister::kStatus;
}

bool IsInputPin(std::uint8_t number) {
  const auto place = PlaceOfPin(number);
  return place && place->reg == PortRegister::kStatus;
}

PortBytes Wiring::Bytes(std::uint8_t latch) const {
  std::array<bool, kLineCount> asserted{};
  for (std::size_t i = 0; i < kLineCount; ++i) {
    asserted[i] = LineAsserted(static_cast<Line>(i), latch);
  }
  return BytesFor(asserted);
}

PortBytes Wiring::BytesFor(const std::array<bool, kLineCount>& asserted) const {
  PortBytes bytes;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    const Pin& pin = lines[i];
    if (!pin.Wired()) continue;
    const auto place = PlaceOfPin(pin.number);
    if (!place || place->reg == PortRegister::kStatus) continue;
    const bool pinHigh = asserted[i] != pin.inverted;
    if (!RegisterBit(*place, pinHigh)) continue;
    const auto mask = static_cast<std::uint8_t>(1u << place->bit);
    (place->reg == PortRegister::kData ? bytes.data : bytes.control) |= mask;
  }
  return bytes;
}

RestBytes Wiring::Rest() const {
  const PortBytes off = Off();
  RestBytes rest{off.data, std::nullopt};
  if (DrivesControl()) rest.control = off.control;
  return rest;
}

namespace {

bool AnyOn(const std::array<Pin, kLineCount>& lines, PortRegister reg) {
  for (const Pin& pin : lines) {
    const auto place = PlaceOfPin(pin.number);
    if (pin.Wired() && place && place->reg == reg) return true;
  }
  return false;
}

}  // namespace

bool Wiring::DrivesData() const { return AnyOn(lines, PortRegister::kData); }
bool Wiring::DrivesControl() const { return AnyOn(lines, PortRegister::kControl); }

bool Wiring::ClockOnControl() const {
  const auto place = PlaceOfPin((*this)[Line::kClock].number);
  return place && place->reg == PortRegister::kControl;
}

bool Wiring::DataInHigh(std::uint8_t status) const {
  const auto place = PlaceOfPin(dataIn.number);
  if (!dataIn.Wired() || !place || place->reg != PortRegister::kStatus) return false;
  const bool registerBit = ((status >> place->bit) & 1u) != 0;
  const bool pinHigh = registerBit != place->portInverts;
  return pinHigh != dataIn.inverted;
}

bool Wiring::Asserted(Line line, const PortBytes& bytes) const {
  const Pin& pin = (*this)[line];
  const auto place = PlaceOfPin(pin.number);
  if (!pin.Wired() || !place || place->reg == PortRegister::kStatus) return false;
  const std::uint8_t value = place->reg == PortRegister::kData ? bytes.data : bytes.control;
  const bool registerBit = ((value >> place->bit) & 1u) != 0;
  const bool pinHigh = registerBit != place->portInverts;
  return pinHigh != pin.inverted;
}

const Wiring& DefaultWiring() {
  static const Wiring wiring = [] {
    Wiring w;
    w[Line::kClock] = {2, false};
    w[Line::kDataOut] = {3, false};
    w[Line::kVpp] = {4, false};
    w[Line::kRun] = {5, false};
    w.dataIn = {10, false};
    w.presence = Presence::kPattern;
    return w;
  }();
  return wiring;
}

}  // namespace daxwel
