// The store of last good factory calibrations, in temporary folders.
#include "device/calibration_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

CalibrationRecord Rec(std::uint16_t id, std::uint16_t osccal, std::uint16_t bg,
                      RecordKind kind = RecordKind::kRead) {
  return {id, {{"OSCCAL", osccal}, {"BG", bg}}, kind, ""};
}

// Nothing that names no chip, or that the file could not hold, is ever kept.
TEST(CalibrationStoreTest, RefusesWhatIsNoRecord) {
  const TempDir dir;
  const CalibrationStore store(dir.Path() + "/store");
  const struct {
    CalibrationRecord record;
    const char* message;
  } cases[] = {
      {Rec(0x3FFF, 0x3480, 2), "ID del dispositivo 0x3FFF: ningún PIC respondió"},
      {Rec(0x0000, 0x3480, 2), "ID del dispositivo 0x0000: ningún PIC respondió"},
      {{0x0FC5, {}, RecordKind::kRead, ""}, "No hay valores de calibración que guardar"},
      {{0x0FC5, {{"OSC CAL", 1}}, RecordKind::kRead, ""},
       "Valor de calibración no válido: OSC CAL"},
      {{0x0FC5, {{"BG", 0x4000}}, RecordKind::kRead, ""}, "Valor de calibración no válido: BG"},
  };
  for (const auto& c : cases) EXPECT_EQ(store.Append(c.record), c.message);
  EXPECT_FALSE(fs::exists(store.Folder()));
  EXPECT_NE(CalibrationStore("").Append(Rec(0x0FC5, 0x3480, 2)), "");
  // A good record where no folder can be made, or the file cannot be written, says so.
  const std::string file = dir.Write("plain", "x");
  EXPECT_EQ(CalibrationStore(file + "/d")
                .Append(Rec(0x0FC5, 0x37FF, 2))
                .rfind("No se puede crear la carpeta " + file + "/d: ", 0),
            0u);
  fs::create_directories(dir.Path() + "/blocked/calibraciones.txt");
  EXPECT_EQ(CalibrationStore(dir.Path() + "/blocked")
                .Append(Rec(0x0FC5, 0x37FF, 2))
                .rfind("No se puede guardar la calibración en ", 0),
            0u);
}

// Records are only appended: two chips with one OSCCAL keep two records, a later reading of
// the same chip never replaces an earlier one, and the candidates come newest first, once each.
TEST(CalibrationStoreTest, KeepsEveryRecordAndOffersEachValueOnce) {
  const TempDir dir;
  const CalibrationStore store(dir.Path() + "/a/b/daxwel");
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3490, 2)), "");
  ASSERT_EQ(store.Append(Rec(0x0FC3, 0x3474, 1, RecordKind::kByHand)), "");  // other revision
  ASSERT_EQ(store.Append(Rec(0x10C3, 0x346C, 0)), "");                       // other part
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3490, 1)), "");  // a second chip, same OSCCAL
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3490, 2)), "");  // the first chip again

  const auto all = store.History();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].Value("BG"), 2);
  EXPECT_EQ(all[1].kind, RecordKind::kByHand);
  EXPECT_EQ(all[3].Value("BG"), 1);
  EXPECT_EQ(all[0].savedAt.size(), 20u) << all[0].savedAt;
  EXPECT_EQ(all[0].Describe(), "OSCCAL 0x3490, BG 2");

  const auto candidates = store.Candidates(0x0FC0);
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates[0].Describe(), "OSCCAL 0x3490, BG 2");
  EXPECT_EQ(candidates[1].Describe(), "OSCCAL 0x3490, BG 1");
  EXPECT_EQ(candidates[2].Describe(), "OSCCAL 0x3474, BG 1");
  EXPECT_EQ(store.Candidates(0x10C0).size(), 1u);
  EXPECT_EQ(FilesIn(store.Folder()), 1u) << "one file, appended to";
}

// The write-ahead record stays open until a write-back of that exact device ID closes it.
TEST(CalibrationStoreTest, PendingUntilRestored) {
  const TempDir dir;
  const CalibrationStore store(dir.Path());
  EXPECT_FALSE(store.Pending(0x0FC5).has_value());
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3490, 2, RecordKind::kPending)), "");
  ASSERT_EQ(store.Append(Rec(0x0FC3, 0x3474, 1, RecordKind::kRestored)), "");
  ASSERT_TRUE(store.Pending(0x0FC5).has_value());
  EXPECT_EQ(store.Pending(0x0FC5)->Describe(), "OSCCAL 0x3490, BG 2");
  EXPECT_FALSE(store.Pending(0x0FC3).has_value());
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3490, 2, RecordKind::kRestored)), "");
  EXPECT_FALSE(store.Pending(0x0FC5).has_value());
  ASSERT_EQ(store.Append(Rec(0x0FC5, 0x3491, 3, RecordKind::kPending)), "");
  EXPECT_EQ(store.Pending(0x0FC5)->Value("OSCCAL"), 0x3491);
  // A restored line is no candidate of its own.
  EXPECT_EQ(store.Candidates(0x0FC5).size(), 2u);
}

// Lines the store did not write are skipped; records of the one-file-per-chip layout are read.
TEST(CalibrationStoreTest, SkipsWhatIsNoRecordAndReadsTheOlderLayout) {
  const TempDir dir;
  const CalibrationStore store(dir.Path());
  ASSERT_EQ(store.Append(Rec(0x0F82, 0x3478, 1)), "");
  std::ofstream(store.FilePath(), std::ios::app)
      << "# comment\n"
      << "2026-01-01T00:00:00Z 0x0F82 olvidada OSCCAL=0x3478 BG=1\n"  // unknown kind
      << "2026-01-01T00:00:00Z 0x3FFF leida OSCCAL=0x3478 BG=1\n"     // no chip
      << "2026-01-01T00:00:00Z 0x0F82 leida OSCCAL=0x4000\n"          // over 14 bits
      << "2026-01-01T00:00:00Z 0x0F82 leida OSCCAL\n"
      << "2026-01-01T00:00:00Z 0x0F82 leida OSCCAL=0x3479 BG=0\r\n";
  dir.Write("0F88-3479.cal", "# by hand\r\ndevice=0F88\r\nosccal=3479\r\nbg=0\r\n");
  dir.Write("0F89-3479.cal", "device=0x0F89\nosccal=0x3479\nbg=zz\n");
  dir.Write("0F87-3478.txt", "device=0x0F87\nosccal=0x3478\nbg=1\n");
  const auto all = store.History();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].deviceId, 0x0F88);
  EXPECT_EQ(all[0].Describe(), "OSCCAL 0x3479, BG 0");
  EXPECT_EQ(all[1].Describe(), "OSCCAL 0x3478, BG 1");
  EXPECT_EQ(all[2].Describe(), "OSCCAL 0x3479, BG 0");
}

}  // namespace
}  // namespace daxwel
