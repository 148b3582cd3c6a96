#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/direct_port.h"
#include "link/port_io.h"
#include "link/port_map.h"
#include "link/ppdev_port.h"
#include "link/wiring.h"

namespace daxwel {

// What the user asked for: an I/O address (the window's list, `--port 0x378`) or a device
// file for cards at other addresses (`--port /dev/parport1`).
struct PortRequest {
  std::uint16_t address = 0x378;  // used when `device` is empty
  std::string device;
};

// "0x378" (hexadecimal) and "888" (decimal, as /proc shows base-addr) are addresses;
// "/dev/parport1" (any path starting with '/') and "parport1" are device files. Nothing for
// anything else.
std::optional<PortRequest> ParsePortRequest(std::string_view text);

// 0x378, 0x278 and 0x3BC: where a parallel port can be without the kernel listing it.
bool IsLegacyPortAddress(std::uint16_t address);

// Where the system is; tests point these at a fake tree and fake system calls.
struct PortEnvironment {
  std::filesystem::path procRoot = kParportProcRoot;
  std::filesystem::path devRoot = "/dev";
  DeviceFiles* files = nullptr;  // null: SystemDeviceFiles()
  RawPorts* raw = nullptr;       // null: SystemRawPorts()
  bool allowDirect = true;       // try ioperm when no ppdev port has the address
  // What the port is left at when opened and closed, and by the exit guard.
  RestBytes rest = DefaultWiring().Rest();
};

// Always holds a usable PortIo. When the port could not be opened, `io` behaves like a port
// with no adapter (writes vanish, reads give 0xFF, which fails the presence test) and
// `problem` says why in one Spanish line with the fix; the command line prints it once on
// standard error, the window shows it as the tooltip of lblchkhard.
struct OpenedPort {
  std::unique_ptr<PortIo> io;
  std::uint16_t base = 0x378;  // Out_Port to drive `io` with; In_Port is base + 1
  std::string device;          // "/dev/parport0", "E/S directa", or empty when absent
  std::string problem;         // empty when the port is open
  bool IsOpen() const { return problem.empty(); }
};

// Finds and opens the port. The address goes to the ppdev port whose base-addr matches, else
// to direct I/O when it is a legacy address and the process already has the privilege for it,
// else to an absent port (nothing is ever written to another address).
// A device file is opened as it is; its base comes from its proc entry (0x378 when it has
// none, since ppdev itself never needs the address). To switch ports, destroy the old
// OpenedPort first: that turns the lines off and releases it, and the same port can then be opened
// again.
OpenedPort OpenPort(const PortRequest& request, const PortEnvironment& env = {});
OpenedPort OpenPort(std::uint16_t address, const PortEnvironment& env = {});
// Also reports text that is neither an address nor a device file as the problem.
OpenedPort OpenPort(std::string_view text, const PortEnvironment& env = {});

// A port with nothing behind it.
class AbsentPort final : public PortIo {
 public:
  void PortOut(std::uint16_t /*address*/, std::uint8_t /*value*/) override {}
  std::uint8_t PortIn(std::uint16_t /*address*/) override { return 0xFF; }
};

}  // namespace daxwel
