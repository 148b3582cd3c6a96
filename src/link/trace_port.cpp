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
  if (!out_) return;  // already incomplete: told once at the end
  char line[64];
  const int n = std::snprintf(line, sizeof line, "%lld %c %04X %02X\n",
                              static_cast<long long>(clock_.Now().count()), kind,
                              static_cast<unsigned>(address), static_cast<unsigned>(value));
  out_.write(line, n);
}

std::string TraceProblem(std::ostream& out, const std::string& path) {
  out.flush();
  if (out) return {};
  return "El registro de accesos " + path +
         " quedó incompleto: no se pudo escribir (¿disco lleno?)";
}

}  // namespace daxwel
