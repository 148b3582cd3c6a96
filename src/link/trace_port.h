#pragma once

#include <cstdint>
#include <ostream>

#include "link/clock.h"
#include "link/port_io.h"

namespace daxwel {

// Decorator that logs every access as "<ns> W|R <addr:4 hex> <value:2 hex>", one per line.
class TracePort final : public PortIo {
 public:
  TracePort(PortIo& inner, const Clock& clock, std::ostream& out)
      : inner_(inner), clock_(clock), out_(out) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t address) override;

 private:
  void Log(char kind, std::uint16_t address, std::uint8_t value);
  PortIo& inner_;
  const Clock& clock_;
  std::ostream& out_;
};

}  // namespace daxwel
