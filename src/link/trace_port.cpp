#include "link/trace_port.h"

#include <cstdio>

namespace daxwel {

void TracePort::PortOut(std::uint16_t address, std::uint8_t value) {
  Log('W', address, value);
  inner_.PortOut(address, value);
}

std::uint8_t TracePort::PortIn(std::uint16_t address) {
  const std::uint8_t value = inner_.PortIn(address);
  Log('R', address, value);
  return value;
}

void TracePort::Log(char kind, std::uint16_t address, std::uint8_t value) {
  char line[64];
  const int n = std::snprintf(line, sizeof line, "%lld %c %04X %02X\n",
                              static_cast<long long>(clock_.Now().count()), kind,
                              static_cast<unsigned>(address), static_cast<unsigned>(value));
  out_.write(line, n);
}

}  // namespace daxwel
