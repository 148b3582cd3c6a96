#include "link/port_open.h"

#include <cerrno>
#include <charconv>
#include <system_error>

namespace daxwel {
namespace {

OpenedPort Absent(std::uint16_t base, std::string problem) {
  return {std::make_unique<AbsentPort>(), base, {}, std::move(problem)};
}

// What the system does have, as a hint for a port that is not there.
std::string Available(const std::filesystem::path& procRoot, const std::filesystem::path& devRoot) {
  const std::vector<ParportEntry> ports = ListParports(procRoot);
  if (ports.empty()) return " (¿falta 'modprobe parport_pc ppdev'?)";
  std::string text = " (hay:";
  const char* separator = " ";
  for (const ParportEntry& port : ports) {
    text += separator + (devRoot / port.name).string() + " en " + HexAddress(port.base);
    separator = ", ";
  }
  return text + ")";
}

// Exclusive first, so nothing else can take the port mid-operation. ppdev refuses that while
// another driver is merely registered on the port (lp usually is); if nobody holds the port
// right now a shared claim cannot block, and ours is then held until we release it.
// `known`: the port has a proc entry, so a missing device file only means ppdev is not loaded.
OpenedPort OpenPpdev(const std::string& device, const std::string& name, std::uint16_t base,
                     bool known, const PortEnvironment& env, DeviceFiles& files) {
  try {
    return {
        std::make_unique<PpdevPort>(files, device, base, PpdevPort::Claim::kExclusive, env.rest),
        base,
        device,
        {}};
  } catch (const PpdevOpenError& exclusive) {
    if (!known && exclusive.GetStep() == PpdevOpenError::Step::kOpen && exclusive.Error() == ENOENT)
      return Absent(base, device + ": no existe" + Available(env.procRoot, env.devRoot));
    const bool refused = exclusive.GetStep() == PpdevOpenError::Step::kClaim &&
                         (exclusive.Error() == ENXIO || exclusive.Error() == EBUSY);
    if (!refused) return Absent(base, exclusive.what());
    const std::string holder = ActiveDevice(env.procRoot, name);
    if (holder != "none") {
      std::string problem = exclusive.what();
      if (!holder.empty()) problem += " (" + holder + ")";
      return Absent(base, problem);
    }
    try {
      return {std::make_unique<PpdevPort>(files, device, base, PpdevPort::Claim::kShared, env.rest),
              base,
              device,
              {}};
    } catch (const PpdevOpenError& shared) {
      return Absent(base, shared.what());
    }
  }
}

}  // namespace

std::optional<PortRequest> ParsePortRequest(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text.front() == '/') return PortRequest{0x378, std::string(text)};
  if (text.substr(0, 7) == "parport" && text.size() > 7)
    return PortRequest{0x378, "/dev/" + std::string(text)};
  // Hexadecimal only after 0x: a bare number is decimal, as /proc shows base-addr.
  std::string_view digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 0xFFFF)
    return std::nullopt;
  return PortRequest{static_cast<std::uint16_t>(value), {}};
}

bool IsLegacyPortAddress(std::uint16_t address) {
  return address == 0x378 || address == 0x278 || address == 0x3BC;
}

OpenedPort OpenPort(const PortRequest& request, const PortEnvironment& env) {
  DeviceFiles& files = env.files != nullptr ? *env.files : SystemDeviceFiles();
  if (!request.device.empty()) {
    std::filesystem::path path(request.device);
    std::error_code ec;
    // A udev alias such as /dev/parport-pci still names the real parportN.
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    const std::string name = (ec ? path : real).filename().string();
    const std::optional<ParportEntry> entry = FindParportNamed(env.procRoot, name);
    const std::uint16_t base = entry ? entry->base : request.address;
    return OpenPpdev(request.device, name, base, entry.has_value(), env, files);
  }

  const std::uint16_t address = request.address;
  if (const std::optional<ParportEntry> entry = FindParportAt(env.procRoot, address))
    return OpenPpdev((env.devRoot / entry->name).string(), entry->name, address, true, env, files);

  // Writing to an address that is no parallel port (the keyboard controller at 0x60, the PCI
  // configuration at 0xCF8) could hang or damage the machine: direct I/O only where a parallel
  // port can be.
  if (!IsLegacyPortAddress(address)) {
    return Absent(address, HexAddress(address) +
                               " no es un puerto paralelo: use 0x378, 0x278, 0x3BC o una "
                               "dirección que el sistema liste como puerto paralelo" +
                               Available(env.procRoot, env.devRoot));
  }
  if (env.allowDirect) {
    RawPorts& raw = env.raw != nullptr ? *env.raw : SystemRawPorts();
    try {
      return {std::make_unique<DirectPort>(raw, address, env.rest), address, "E/S directa", {}};
    } catch (const PortError&) {
      // Not having the privilege is the normal case, not worth its own message.
    }
  }
  return Absent(address, "no hay ningún puerto paralelo en " + HexAddress(address) +
                             Available(env.procRoot, env.devRoot));
}

OpenedPort OpenPort(std::uint16_t address, const PortEnvironment& env) {
  return OpenPort(PortRequest{address, {}}, env);
}

OpenedPort OpenPort(std::string_view text, const PortEnvironment& env) {
  const std::optional<PortRequest> request = ParsePortRequest(text);
  if (!request) {
    // Built by appending: GCC 12 warns falsely on "literal" + std::string.
    std::string why(1, '\'');
    why += text;
    why += "' no es una dirección de puerto (0x378) ni un dispositivo (/dev/parport0)";
    return Absent(0x378, why);
  }
  return OpenPort(*request, env);
}

}  // namespace daxwel
