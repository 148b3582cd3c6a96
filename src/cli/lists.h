#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace daxwel::cli {

// parts: the catalogue, one part a line. `format` is "texto" (aligned columns for a person),
// "tsv" (a header line, then tab-separated fields) or "names" (every name --model takes, one a
// line, for completion). Nothing for an unknown format.
std::optional<std::string> PartsListing(std::string_view format);

// ports: the parallel ports the kernel reports under `root` (/proc/sys/dev/parport and
// /dev/parport*), one a line with its device, base address and whether this user may open it;
// a sentence when there is none.
std::string PortsListing(const std::filesystem::path& root = "/");

}  // namespace daxwel::cli
