#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "image/hex_image.h"

namespace daxwel::testing {

// A private directory for the files of one test, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "daxwel-hex-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `text` byte for byte to a file of the directory and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = (path_ / name).string();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return file;
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline int OpenDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

// Sizes of the catalogue's smallest and largest models.
inline constexpr ImageLimits k16F84{1024, 64};
inline constexpr ImageLimits k16F873{4096, 128};
inline constexpr ImageLimits k16F877{8192, 256};

inline std::string ExamplePath(const std::string& name) {
  return std::string(DAXWEL_SOURCE_DIR) + "/examples/" + name;
}

}  // namespace daxwel::testing
