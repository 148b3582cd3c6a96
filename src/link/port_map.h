#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace daxwel {

inline constexpr const char* kParportProcRoot = "/proc/sys/dev/parport";

// One port the kernel's parport driver knows, as /proc/sys/dev/parport/<name> shows it.
struct ParportEntry {
  std::string name;  // "parport0": also the name of its device file under /dev
  int number = 0;    // the N of parportN
  std::uint16_t base = 0;
};

// The first decimal number of a base-addr file ("888\t1912\n" gives 888); nothing when it
// does not start with a number or the number is not a 16-bit I/O address.
std::optional<std::uint16_t> ParseBaseAddr(std::string_view text);

// Every parportN under `procRoot` with a readable base-addr, in order of N. Empty when the
// folder does not exist (the parport driver is not loaded).
std::vector<ParportEntry> ListParports(const std::filesystem::path& procRoot);

// The lowest-numbered port at `base`.
std::optional<ParportEntry> FindParportAt(const std::filesystem::path& procRoot,
                                          std::uint16_t base);

// The port named `name` ("parport1").
std::optional<ParportEntry> FindParportNamed(const std::filesystem::path& procRoot,
                                             std::string_view name);

// Which driver holds the port right now: the first word of devices/active ("none", "lp",
// "ppdev0"), or empty when unknown.
std::string ActiveDevice(const std::filesystem::path& procRoot, std::string_view name);

// "0x378", "0x3BC", "0x3010".
std::string HexAddress(std::uint16_t address);

}  // namespace daxwel
