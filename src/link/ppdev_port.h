#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/exit_guard.h"
#include "link/port_io.h"
#include "link/wiring.h"

namespace daxwel {

// The system calls the ppdev back end makes, behind an interface so tests run without a port.
// Errors come back as errno values, never through errno itself.
class DeviceFiles {
 public:
  virtual ~DeviceFiles() = default;
  // A descriptor (>= 0) or -errno.
  virtual int Open(const std::string& path) = 0;
  // 0 or errno. `arg` points at what `request` expects (see linux/ppdev.h), null for none.
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void Close(int fd) = 0;
  // How a signal handler writes `rest` to the port of `fd`; the default does nothing.
  virtual LinesOffAction EmergencyAction(int fd, const RestBytes& rest) const;
};

// open(2)/ioctl(2)/close(2). Stateless, shared by every port.
DeviceFiles& SystemDeviceFiles();

// Why a ppdev port could not be opened; what() is the one-line reason in Spanish.
class PpdevOpenError : public PortError {
 public:
  enum class Step { kOpen, kExclusive, kClaim, kSetUp };
  PpdevOpenError(const std::string& reason, Step step, int error)
      : PortError(reason), step_(step), error_(error) {}
  Step GetStep() const { return step_; }
  int Error() const { return error_; }

 private:
  Step step_;
  int error_;
};

// One /dev/parportN, claimed once for the life of the object. Only `base` (data register),
// `base + 1` (status register) and `base + 2` (control register, written only) are this
// port: writes elsewhere are dropped, reads elsewhere give 0xFF like an empty bus. The ppdev calls
// do not need the address itself; `base` is the address the rest of the program uses for this port.
class PpdevPort final : public PortIo {
 public:
  enum class Claim { kExclusive, kShared };
  // Opens, claims and writes the adapter's "off" bytes. Throws PpdevOpenError.
  PpdevPort(DeviceFiles& files, std::string device, std::uint16_t base,
            Claim claim = Claim::kExclusive, RestBytes rest = DefaultWiring().Rest());
  // Writes the "off" bytes, then releases and closes; never throws.
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  // Throw PortError when an ioctl fails (for example, the card was removed).
  void PortOut(std::uint16_t address, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t address) override;

  const std::string& Device() const { return device_; }
  std::uint16_t Base() const { return base_; }

 private:
  DeviceFiles& files_;
  std::string device_;
  std::uint16_t base_;
  RestBytes rest_;
  int fd_ = -1;
  std::unique_ptr<EmergencyRegistration> emergency_;
  // Writes the rest bytes; 0 or the first errno.
  int WriteRest(int fd);
};

// A short Spanish description of an errno value for messages.
std::string ErrorText(int error);

}  // namespace daxwel
