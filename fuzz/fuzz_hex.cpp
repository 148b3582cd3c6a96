// libFuzzer target: any byte string written as a file must load without a crash, a hang, an
// out-of-bounds access or a file left open, and an image that loads must survive a round trip
// through the INHX8M writer.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "image/hex_image.h"
#include "image/hex_writer.h"

namespace {

class TempFile {
 public:
  TempFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/daxwel-fuzz-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    path_ = pattern;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

int OpenDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) std::abort();
  int count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void LoadAndCheck(const std::string& path, daxwel::ImageLimits limits) {
  const int before = OpenDescriptors();
  const daxwel::HexLoadResult r = daxwel::LoadHexImage(path, limits);
  Check(OpenDescriptors() == before);
  if (r.status != daxwel::HexStatus::Ok) {
    Check(r.status != daxwel::HexStatus::ReadFailure || !r.description.empty());
    return;
  }
  const daxwel::HexImage& im = r.image;
  Check(im.ProgramEnd >= 0 && im.ProgramEnd < std::max(limits.programWords, 1));
  Check(im.EepromEnd >= 0 && im.EepromEnd < std::max(limits.eepromBytes, 1));
  Check(im.FileConfig.empty() || im.FileConfig.size() == 14);

  // Write what loaded and load it again: every word the image holds must come back.
  daxwel::ChipContents chip;
  for (int a = 0; a < limits.programWords; ++a) {
    chip.program.push_back(static_cast<std::uint16_t>(im.ProgramWords[a] & 0x3FFF));
  }
  for (int i = 0; i < 4; ++i) chip.ids[i] = static_cast<std::uint16_t>(im.IdWords[i] & 0x3FFF);
  if (!im.FileConfig.empty()) {
    chip.config = static_cast<std::uint16_t>(daxwel::FromBitString(im.FileConfig));
  }
  for (int i = 0; i < limits.eepromBytes; ++i) {
    chip.eeprom.push_back(static_cast<std::uint8_t>(im.EepromWords[i] & 0xFF));
  }
  const std::string copy = path + ".copy";
  WriteFile(copy, daxwel::FormatInhx8m(chip, true));
  const daxwel::HexLoadResult again = daxwel::LoadHexImage(copy, limits);
  std::remove(copy.c_str());
  Check(again.status == daxwel::HexStatus::Ok);
  for (int a = 0; a < limits.programWords; ++a) {
    Check((again.image.ProgramWords[a] & 0x3FFF) == (im.ProgramWords[a] & 0x3FFF));
  }
  for (int i = 0; i < 4; ++i) Check(again.image.IdWords[i] == (im.IdWords[i] & 0x3FFF));
  Check(again.image.FileConfig == im.FileConfig);
  for (int i = 0; i < limits.eepromBytes; ++i) {
    Check((again.image.EepromWords[i] & 0xFF) == (im.EepromWords[i] & 0xFF));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFile file;
  WriteFile(file.path(), std::string(reinterpret_cast<const char*>(data), size));
  LoadAndCheck(file.path(), {1024, 64});
  LoadAndCheck(file.path(), {8192, 256});
  return 0;
}
