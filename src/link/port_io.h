#pragma once

#include <cstdint>
#include <stdexcept>

namespace daxwel {

// The two primitives every adapter back end offers. Everything above talks to a PortIo&;
// nothing else touches hardware. A back end may throw PortError when the port itself fails.
// A failing port (an ioctl that fails, an unplugged card). Operations report it through their
// catch-all failure path.
class PortError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PortIo {
 public:
  virtual ~PortIo() = default;
  virtual void PortOut(std::uint16_t address, std::uint8_t value) = 0;
  virtual std::uint8_t PortIn(std::uint16_t address) = 0;
};

}  // namespace daxwel
