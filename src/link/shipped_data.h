#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace daxwel {

// Where a data file shipped with the program (parts, adapters) is read from, the first that
// exists: $DAXWEL_DATA_DIR, share/daxwel beside an installed program, then the build tree's
// copy. nullopt when none has it, which the caller must report: running without the shipped
// tables would silently offer fewer parts or adapters.
std::optional<std::filesystem::path> ShippedDataFile(std::string_view name);

// The folder users add their own files to: $XDG_CONFIG_HOME/daxwel/<sub>, or
// ~/.config/daxwel/<sub>.
std::filesystem::path UserDataFolder(std::string_view sub);

}  // namespace daxwel
