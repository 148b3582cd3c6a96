#include "link/shipped_data.h"

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace daxwel {

namespace {

namespace fs = std::filesystem;

std::optional<fs::path> ProgramFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  return self.parent_path();
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

}  // namespace

std::optional<fs::path> ShippedDataFile(std::string_view name) {
  std::vector<fs::path> places;
  if (const char* dir = std::getenv("DAXWEL_DATA_DIR"); dir != nullptr && *dir != '\0') {
    places.emplace_back(dir);
  }
  if (const auto program = ProgramFolder()) {
    // The install rules and this relative path come from the same CMake variables.
    places.push_back(*program / DAXWEL_DATA_FROM_BINDIR);
  }
  places.emplace_back(DAXWEL_BUILD_DATA_DIR);
  for (const fs::path& folder : places) {
    fs::path file = folder / name;
    if (IsFile(file)) return file.lexically_normal();
  }
  return std::nullopt;
}

fs::path UserDataFolder(std::string_view sub) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (config != nullptr && *config == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home != nullptr ? home : "") / ".config";
  }
  return base / "daxwel" / sub;
}

}  // namespace daxwel
