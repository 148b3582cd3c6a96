// The simulator's state file: one process at a time, its own model only, written only when the
// chip changed, and a read-only file respected.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "sim/sim_session.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

namespace fs = std::filesystem;

const std::string k877Example = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

class State : public ::testing::Test {
 protected:
  CliResult Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", model + ":" + path, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  static std::string Describe(const CliResult& r) {
    return "status " + std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err;
  }

  TempDir dir;
  std::string path = dir.Path() + "/chip.hex";
};

TEST_F(State, OneProcessAtATimeAndRunStopsCleanlyOnCtrlC) {
  CliProcess running({"--sim", "16F877:" + path, "run"}, dir.Path());
  ASSERT_TRUE(running.WaitForOutput("Ctrl-C para detener"));
  CliResult second = Sim("16F877", {"-y", "erase"});
  EXPECT_EQ(second.status, 2) << Describe(second);
  EXPECT_NE(second.err.find("está en uso por otro daxwel o daxwel-cli"), std::string::npos);

  // Ctrl-C is how run mode is left: a normal end, not an interruption.
  running.Signal(SIGINT);
  const CliResult first = running.Wait();
  EXPECT_EQ(first.status, 0) << Describe(first);
  EXPECT_EQ(first.Result(), "ok");
  EXPECT_EQ(Sim("16F877", {"detect"}).status, 0) << "the lock went with the process";

  // Two sessions in one process are refused the same way.
  sim::SimOptions o;
  o.statePath = path;
  sim::SimSession a(o);
  sim::SimSession b(o);
  ASSERT_EQ(a.LoadState(), "");
  EXPECT_NE(b.LoadState().find("en uso"), std::string::npos);
}

TEST_F(State, KeepsItsModelAndIsWrittenOnlyWhenTheChipChanged) {
  ASSERT_EQ(Sim("16F877", {"-y", "program", k877Example}).status, 0);
  const std::string programmed = ReadAll(path);
  EXPECT_EQ(programmed.rfind(";PIC 16F877\r\n", 0), 0u);

  // Another model's chip is refused and left as it was.
  CliResult r = Sim("16F876", {"detect"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_NE(r.err.find("guarda un PIC 16F877, no un 16F876"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(path), programmed);

  // A read-only file: commands that change nothing work, one that changes the chip says why.
  ::chmod(path.c_str(), 0444);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  for (const std::vector<std::string>& unchanged :
       {std::vector<std::string>{"detect"}, {"info"}, {"-y", "verify", k877Example}}) {
    r = Sim("16F877", unchanged);
    EXPECT_EQ(r.status, 0) << Describe(r);
  }
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "not rewritten";
  r = Sim("16F877", {"-y", "erase"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_NE(r.err.find("es de solo lectura"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(path), programmed);
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 0777, 0444u);
}

TEST_F(State, ALinkedStateKeepsItsLink) {
  const std::string target = dir.Path() + "/real.hex";
  fs::create_symlink("real.hex", path);
  ASSERT_EQ(Sim("16F877", {"-y", "program", k877Example}).status, 0);
  EXPECT_TRUE(fs::is_symlink(path));
  ASSERT_EQ(Sim("16F877", {"-y", "erase"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(path));
  ChipContents c;
  ASSERT_EQ(sim::ReadContentsFile(target, 8192, 256, c), "");
  EXPECT_EQ(c.program[0], 0x3FFF) << "the target holds the erased chip";
}

}  // namespace
}  // namespace daxwel::testing
