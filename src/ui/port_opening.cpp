#include "ui/port_opening.h"

#include <memory>

namespace daxwel {

PortOpener RealPorts() {
  return [](std::uint16_t address, const RestBytes& rest) {
    PortEnvironment env;
    env.rest = rest;
    return OpenPort(address, env);
  };
}

PortOpener PortsOf(PortIo& target) {
  return [&target](std::uint16_t address, const RestBytes& /*rest*/) {
    OpenedPort opened;
    opened.io = std::make_unique<ForwardingPort>(target);
    opened.base = address;
    return opened;
  };
}

}  // namespace daxwel
