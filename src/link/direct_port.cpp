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
  LinesOffAction EmergencyAction(std::uint16_t base, const RestBytes& rest) const override {
    return {[](const LinesOffAction& action) noexcept {
              const auto port = static_cast<unsigned short>(action.handle);
              ::outb(action.data, port);
              if (action.control >= 0) {
                ::outb(static_cast<unsigned char>(action.control),
                       static_cast<unsigned short>(port + 2));
              }
            },
            base, rest.data, rest.control ? int{*rest.control} : -1};
  }
};

}  // namespace

LinesOffAction RawPorts::EmergencyAction(std::uint16_t /*base*/, const RestBytes& /*rest*/) const {
  return {};
}

RawPorts& SystemRawPorts() {
  static RealRawPorts raw;  // no state of its own
  return raw;
}

bool DataRegisterAnswers(RawPorts& raw, std::uint16_t base, std::uint8_t off) {
  // Only the adapter's "off" byte is ever written: it is the rest state of every line. An
  // address with no register behind it reads back as 0xFF (the bus floats high), so a
  // register that holds the byte is one that answers; an "off" byte of 0xFF proves nothing.
  raw.Out(base, off);
  return off != 0xFF && raw.In(base) == off;
}

DirectPort::DirectPort(RawPorts& raw, std::uint16_t base, RestBytes rest)
    : raw_(raw), base_(base), rest_(rest) {
  if (int e = raw_.Permit(base_, kSpan, true)) {
    throw PortError("sin acceso directo a " + HexAddress(base_) + " (" +
                    (e == EPERM ? std::string("hace falta CAP_SYS_RAWIO") : std::to_string(e)) +
                    ")");
  }
  if (!DataRegisterAnswers(raw_, base_, rest_.data)) {
    raw_.Permit(base_, kSpan, false);
    throw PortError("no hay ningún puerto paralelo en " + HexAddress(base_));
  }
  if (rest_.control) raw_.Out(static_cast<std::uint16_t>(base_ + 2), *rest_.control);
  const LinesOffAction action = raw_.EmergencyAction(base_, rest_);
  if (action.run != nullptr) emergency_ = std::make_unique<EmergencyRegistration>(action);
}

DirectPort::~DirectPort() {
  raw_.Out(base_, rest_.data);
  if (rest_.control) raw_.Out(static_cast<std::uint16_t>(base_ + 2), *rest_.control);
  emergency_.reset();
  raw_.Permit(base_, kSpan, false);
}

void DirectPort::PortOut(std::uint16_t address, std::uint8_t value) {
  // The control register's upper bits choose interrupts and input mode: never set them.
  if (address == base_) raw_.Out(address, value);
  if (address == static_cast<std::uint16_t>(base_ + 2))
    raw_.Out(address, static_cast<std::uint8_t>(value & 0x0F));
}

std::uint8_t DirectPort::PortIn(std::uint16_t address) {
  if (address != static_cast<std::uint16_t>(base_ + 1)) return 0xFF;
  return raw_.In(address);
}

}  // namespace daxwel
