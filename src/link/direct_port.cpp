#include "link/direct_port.h"

#include <sys/io.h>

#include <cerrno>
#include <string>

#include "link/port_map.h"

namespace daxwel {
namespace {

// Data, status and control registers.
constexpr unsigned kSpan = 3;

class RealRawPorts final : public RawPorts {
 public:
  int Permit(std::uint16_t first, unsigned count, bool on) override {
    return ::ioperm(first, count, on ? 1 : 0) == 0 ? 0 : errno;
  }
  void Out(std::uint16_t address, std::uint8_t value) override { ::outb(value, address); }
  std::uint8_t In(std::uint16_t address) override { return ::inb(address); }
  LinesOffAction EmergencyAction(std::uint16_t base) const override {
    return {[](int handle) noexcept { ::outb(0, static_cast<unsigned short>(handle)); }, base};
  }
};

}  // namespace

LinesOffAction RawPorts::EmergencyAction(std::uint16_t /*base*/) const { return {}; }

RawPorts& SystemRawPorts() {
  static RealRawPorts raw;  // no state of its own
  return raw;
}

bool DataRegisterAnswers(RawPorts& raw, std::uint16_t base) {
  // Only 0 is ever written: some adapters use bits 4 to 7 too, and 0 is the rest state of
  // every line. An address with no register behind it reads back as 0xFF (the bus floats
  // high), so a register that holds the 0 is one that answers.
  raw.Out(base, 0);
  return raw.In(base) == 0;
}

DirectPort::DirectPort(RawPorts& raw, std::uint16_t base) : raw_(raw), base_(base) {
  if (int e = raw_.Permit(base_, kSpan, true)) {
    throw PortError("sin acceso directo a " + HexAddress(base_) + " (" +
                    (e == EPERM ? std::string("hace falta CAP_SYS_RAWIO") : std::to_string(e)) +
                    ")");
  }
  if (!DataRegisterAnswers(raw_, base_)) {
    raw_.Permit(base_, kSpan, false);
    throw PortError("no hay ningún puerto paralelo en " + HexAddress(base_));
  }
  const LinesOffAction action = raw_.EmergencyAction(base_);
  if (action.run != nullptr) emergency_ = std::make_unique<EmergencyRegistration>(action);
}

DirectPort::~DirectPort() {
  raw_.Out(base_, 0);
  emergency_.reset();
  raw_.Permit(base_, kSpan, false);
}

void DirectPort::PortOut(std::uint16_t address, std::uint8_t value) {
  if (address == base_) raw_.Out(address, value);
}

std::uint8_t DirectPort::PortIn(std::uint16_t address) {
  if (address != static_cast<std::uint16_t>(base_ + 1)) return 0xFF;
  return raw_.In(address);
}

}  // namespace daxwel
