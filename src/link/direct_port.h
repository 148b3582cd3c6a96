#pragma once

#include <cstdint>
#include <memory>

#include "link/exit_guard.h"
#include "link/port_io.h"
#include "link/wiring.h"

namespace daxwel {

// Raw x86 port I/O (ioperm, outb, inb), behind an interface so tests run without privilege.
class RawPorts {
 public:
  virtual ~RawPorts() = default;
  // ioperm(first, count, on): 0 or errno.
  virtual int Permit(std::uint16_t first, unsigned count, bool on) = 0;
  virtual void Out(std::uint16_t address, std::uint8_t value) = 0;
  virtual std::uint8_t In(std::uint16_t address) = 0;
  // How a signal handler writes `rest` to the port at `base`; the default does nothing.
  virtual LinesOffAction EmergencyAction(std::uint16_t base, const RestBytes& rest) const;
};

// The real instructions. Stateless, shared by every port.
RawPorts& SystemRawPorts();

// A legacy port reached without any driver. Only for when no ppdev port has the address
// and the process already holds CAP_SYS_RAWIO; Secure Boot lockdown refuses it even to root.
// Nothing here asks for privilege.
class DirectPort final : public PortIo {
 public:
  // Gets access to base..base+2 and checks that a data register really answers there.
  // Throws PortError (Spanish reason) when either fails.
  DirectPort(RawPorts& raw, std::uint16_t base, RestBytes rest = DefaultWiring().Rest());
  // Writes the "off" bytes, then gives the access back.
  ~DirectPort() override;
  DirectPort(const DirectPort&) = delete;
  DirectPort& operator=(const DirectPort&) = delete;

  void PortOut(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t address) override;

  std::uint16_t Base() const { return base_; }

 private:
  RawPorts& raw_;
  std::uint16_t base_;
  RestBytes rest_;
  std::unique_ptr<EmergencyRegistration> emergency_;
};

// Whether a standard data register answers at `base`: the adapter's "off" byte written and
// read back, so no line of the adapter moves.
bool DataRegisterAnswers(RawPorts& raw, std::uint16_t base, std::uint8_t off = 0);

}  // namespace daxwel
