// The store of last good factory calibrations, in temporary folders.
#include "device/calibration_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/hex_builder.h"

namespace daxwel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::size_t FilesIn(const std::string& folder) {
  std::error_code ec;
  std::size_t n = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++n;
  return n;
}

TEST(CalibrationStoreTest, FolderFollowsTheXdgBaseDirectoryRules) {
  const struct {
    const char* xdg;
    const char* home;
    const char* folder;
  } cases[] = {{"/x/data", "/home/u", "/x/data/daxwel"},
               {nullptr, "/home/u", "/home/u/.local/share/daxwel"},
               {"", "/home/u", "/home/u/.local/share/daxwel"},
               {"relative", "/home/u", "/home/u/.local/share/daxwel"},
               {nullptr, nullptr, ""},
               {nullptr, "relative", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(CalibrationFolder(c.xdg, c.home), c.folder) << (c.xdg ? c.xdg : "(unset)");
  }
}

// Nothing that is not a chip's calibration is ever kept: an erased or absent chip's words, a
// word that is no RETLW, band-gap bits out of range, a device ID no chip has.
TEST(CalibrationStoreTest, RefusesWhatIsNoCalibration) {
  const TempDir dir;
  const CalibrationStore store(dir.Path() + "/store");
  const struct {
    CalibrationRecord record;
    const char* message;
  } cases[] = {
      {{0x0FC5, 0x3FFF, 2, ""}, "OSCCAL 0x3FFF no es una calibración: es la palabra borrada"},
      {{0x0FC5, 0x0000, 2, ""}, "OSCCAL 0x0000 no es una calibración: el PIC no respondió"},
      {{0x0FC5, 0x3800, 2, ""}, "OSCCAL 0x3800 no es una instrucción RETLW (0x3400 a 0x37FF)"},
      {{0x0FC5, 0x2880, 2, ""}, "OSCCAL 0x2880 no es una instrucción RETLW (0x3400 a 0x37FF)"},
      {{0x0FC5, 0x3480, 4, ""}, "Los bits BG van de 0 a 3"},
      {{0x3FFF, 0x3480, 2, ""}, "ID del dispositivo 0x3FFF: ningún PIC respondió"},
      {{0x0000, 0x3480, 2, ""}, "ID del dispositivo 0x0000: ningún PIC respondió"},
  };
  for (const auto& c : cases) EXPECT_EQ(store.Save(c.record), c.message);
  EXPECT_FALSE(fs::exists(store.Folder()));
  EXPECT_NE(CalibrationStore("").Save({0x0FC5, 0x3480, 2, ""}), "");
  // A good value where no folder can be made says so.
  const std::string file = dir.Write("plain", "x");
  EXPECT_EQ(CalibrationStore(file + "/d")
                .Save({0x0FC5, 0x37FF, 2, ""})
                .rfind("No se puede crear la carpeta " + file + "/d: ", 0),
            0u);
}

TEST(CalibrationStoreTest, KeepsTheLastGoodValueOfEachChip) {
  const TempDir dir;
  const CalibrationStore store(dir.Path() + "/a/b/daxwel");
  ASSERT_EQ(store.Save({0x0FC5, 0x3490, 2, ""}), "");
  ASSERT_EQ(store.Save({0x0FC3, 0x3474, 1, ""}), "");  // same part, another revision
  ASSERT_EQ(store.Save({0x10C3, 0x346C, 0, ""}), "");
  ASSERT_EQ(store.Save({0x0FC5, 0x3490, 3, ""}), "");  // the same chip again: replaced

  const auto loaded = store.Load(0x0FC5, 0x3490);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->bandGap, 3);
  EXPECT_EQ(loaded->savedAt.size(), 20u) << loaded->savedAt;
  EXPECT_FALSE(store.Load(0x0FC5, 0x3491).has_value());
  EXPECT_FALSE(store.Load(0x0FC0, 0x3490).has_value());

  const auto all = store.List();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].deviceId, 0x0FC3);
  EXPECT_EQ(all[1], *loaded);
  EXPECT_EQ(all[2].osccal, 0x346C);
  const auto part = store.List(0x0FC0);
  ASSERT_EQ(part.size(), 2u);
  EXPECT_EQ(part[0].osccal, 0x3474);
  EXPECT_EQ(part[1].osccal, 0x3490);
  EXPECT_EQ(FilesIn(store.Folder()), 3u) << "no temporary file is left behind";
}

// A file the store did not write, or one edited to name another chip, is no record.
TEST(CalibrationStoreTest, SkipsFilesThatAreNoRecords) {
  const TempDir dir;
  const CalibrationStore store(dir.Path());
  ASSERT_EQ(store.Save({0x0F82, 0x3478, 1, ""}), "");
  const struct {
    const char* name;
    const char* text;
  } foreign[] = {
      {"0F83-3478.cal", "device=0x0F82\nosccal=0x3478\nbg=1\n"},  // not the chip it names
      {"0F84-3FFF.cal", "device=0x0F84\nosccal=0x3FFF\nbg=1\n"},  // no RETLW
      {"0F85-3478.cal", "device=0x0F85\nosccal=0x3478\nbg=7\n"},  // no band gap
      {"0F87-3478.txt", "device=0x0F87\nosccal=0x3478\nbg=1\n"},
  };
  for (const auto& f : foreign) dir.Write(f.name, f.text);
  dir.Write("0F88-3479.cal", "# by hand\r\ndevice=0F88\r\nosccal=3479\r\nbg=0\r\n");
  const auto all = store.List();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].deviceId, 0x0F82);
  EXPECT_EQ(all[1].osccal, 0x3479);
  EXPECT_EQ(all[1].savedAt, "");
}

}  // namespace
}  // namespace daxwel
