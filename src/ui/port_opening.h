#pragma once

#include <cstdint>
#include <functional>

#include "link/port_io.h"
#include "link/port_open.h"

namespace daxwel {

// Opens the port whose data register is at `address`, leaving it at the adapter's "off"
// bytes `rest`. The window calls it at start-up, at every port change and at every adapter
// change, after it has released the previous port. An unusable port comes back as a port
// without an adapter plus the reason (shown as the tooltip of the hardware warning).
using PortOpener = std::function<OpenedPort(std::uint16_t address, const RestBytes& rest)>;

// Hands every access to a port owned elsewhere (the simulated adapter, a test's fake).
class ForwardingPort final : public PortIo {
 public:
  explicit ForwardingPort(PortIo& target) : target_(target) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override {
    target_.PortOut(address, value);
  }
  std::uint8_t PortIn(std::uint16_t address) override { return target_.PortIn(address); }

 private:
  PortIo& target_;
};

// The machine's parallel ports, through the Linux back ends.
PortOpener RealPorts();
// Every address reaches `target`, which decides itself what answers where (the simulated
// adapter listens at its base only).
PortOpener PortsOf(PortIo& target);

}  // namespace daxwel
