#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "link/clock.h"
#include "link/port_io.h"

namespace daxwel {

// Decorator that logs every access as "<ns> W|R <addr:4 hex> <value:2 hex>", one per line.
// A line that cannot be written is lost, never a reason to stop: the chip's state matters more
// than its trace (see TraceProblem).
class TracePort final : public PortIo {
 public:
  TracePort(PortIo& inner, const Clock& clock, std::ostream& out)
      : inner_(inner), clock_(clock), out_(out) {}
  // Owns the port it traces, for hosts that open and release ports as they go.
  TracePort(std::unique_ptr<PortIo> inner, const Clock& clock, std::ostream& out)
      : owned_(std::move(inner)), inner_(*owned_), clock_(clock), out_(out) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t address) override;

 private:
  void Log(char kind, std::uint16_t address, std::uint8_t value);
  std::unique_ptr<PortIo> owned_;
  PortIo& inner_;
  const Clock& clock_;
  std::ostream& out_;
};

// Flushes the trace; empty when every line so far reached `path`, otherwise one Spanish line
// saying that the trace is incomplete (a full disk, for instance).
std::string TraceProblem(std::ostream& out, const std::string& path);

}  // namespace daxwel
