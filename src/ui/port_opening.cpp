#include "ui/port_opening.h"

#include <memory>

namespace daxwel {

PortOpener RealPorts() {
  return [](std::uint16_t address) { return OpenPort(address); };
}

PortOpener PortsOf(PortIo& target) {
  return [&target](std::uint16_t address) {
    OpenedPort opened;
    opened.io = std::make_unique<ForwardingPort>(target);
    opened.base = address;
    return opened;
  };
}

}  // namespace daxwel
