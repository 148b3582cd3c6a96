// The factory calibration from the command line: values by hand only on purpose, the record an
// interrupted run leaves offered and shown by info, and simulated chips kept apart from the
// user's store of real ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/cli_runner.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

namespace fs = std::filesystem;

struct SimChip {
  TempDir dir;
  std::string state = dir.Path() + "/c.sim";
  std::string userStore = dir.Path() + "/data";
  std::vector<std::string> faults;

  SimChip() { ::setenv("XDG_DATA_HOME", userStore.c_str(), 1); }
  CliResult Run(const std::vector<std::string>& command) const {
    std::vector<std::string> args = {"--sim", "12F675:" + state, "--sim-time", "virtual"};
    for (const std::string& f : faults) args.insert(args.end(), {"--sim-fault", f});
    args.insert(args.end(), command.begin(), command.end());
    return RunCli(args, dir.Path());
  }
  std::string Store() const { return ReadAll(state + ".calibraciones/calibraciones.txt"); }
};

TEST(CalibrationCli, AValidCalibrationIsReplacedOnlyWithForce) {
  SimChip chip;
  chip.faults = {"osccal=0x3490", "bg=2"};
  CliResult r = chip.Run({"-y", "erase"});
  ASSERT_EQ(r.status, 0) << r.Describe();

  r = chip.Run({"-y", "--osccal", "0x3480", "--bandgap", "2", "erase"});
  EXPECT_NE(r.status, 0) << r.Describe();
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.Describe();
  EXPECT_NE(chip.Run({"info"}).out.find("): 0x3490"), std::string::npos);

  r = chip.Run({"-y", "--force", "--osccal", "0x3480", "--bandgap", "2", "erase"});
  ASSERT_EQ(r.status, 0) << r.Describe();
  EXPECT_NE(chip.Run({"info"}).out.find("): 0x3480"), std::string::npos);

  // The simulator's records sit beside its state file, the read one before the one by hand.
  const std::string store = chip.Store();
  const std::size_t read = store.find("leida OSCCAL=0x3490 BG=2");
  const std::size_t byHand = store.find("a-mano OSCCAL=0x3480 BG=2");
  ASSERT_NE(read, std::string::npos) << store;
  ASSERT_NE(byHand, std::string::npos) << store;
  EXPECT_LT(read, byHand);
  EXPECT_FALSE(fs::exists(chip.userStore)) << "a simulated chip never reaches the user's store";
}

// A chip another run left erased: info says a write-back is pending, with the values, and the
// next erase offers and writes them.
TEST(CalibrationCli, APendingRecordIsShownAndWrittenBack) {
  SimChip chip;
  chip.faults = {"osccal=0x3490", "bg=2", "lost-calibration"};
  CliResult r = chip.Run({"info"});
  ASSERT_EQ(r.status, 0) << r.Describe();
  EXPECT_EQ(r.out.find("Restauración pendiente"), std::string::npos);
  const std::size_t at = r.out.find("ID del dispositivo: ");
  ASSERT_NE(at, std::string::npos);
  const std::string id = r.out.substr(at + std::string("ID del dispositivo: ").size(), 6);

  fs::create_directories(chip.state + ".calibraciones");
  std::ofstream(chip.state + ".calibraciones/calibraciones.txt")
      << "2026-12-01T10:00:00Z " << id << " pendiente OSCCAL=0x3490 BG=2\n";
  r = chip.Run({"info"});
  EXPECT_NE(r.out.find("Restauración pendiente"), std::string::npos) << r.Describe();
  EXPECT_NE(r.out.find("OSCCAL 0x3490, BG 2"), std::string::npos) << r.Describe();

  // Without a terminal and without -y nothing is written.
  r = chip.Run({"erase"});
  EXPECT_NE(r.status, 0);
  r = chip.Run({"-y", "erase"});
  ASSERT_EQ(r.status, 0) << r.Describe();
  EXPECT_NE(r.out.find("Restaurar calibración"), std::string::npos) << r.Describe();
  r = chip.Run({"info"});
  EXPECT_NE(r.out.find("): 0x3490"), std::string::npos) << r.Describe();
  EXPECT_NE(r.out.find("bits 13:12): 2"), std::string::npos) << r.Describe();
  EXPECT_EQ(r.out.find("Restauración pendiente"), std::string::npos) << r.Describe();
}

}  // namespace
}  // namespace daxwel::testing
