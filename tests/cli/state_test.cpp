// The simulator's state file: one process at a time, its own model only, written only when the
// chip changed, a read-only file respected and a link kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "cli/cli_runner.h"
#include "sim/sim_session.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

const std::string k877 = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

class State : public ::testing::Test {
 protected:
  CliResult Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", model + ":" + path, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  TempDir dir;
  std::string path = dir.Path() + "/chip.hex";
};

// The first process holds the file whether it created it or found it (the second round runs
// on the file the first left).
TEST_F(State, OneProcessAtATimeAndRunEndsWellOnCtrlC) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "existing state file" : "new state file");
    ASSERT_EQ(std::filesystem::exists(path), existing);
    CliProcess running({"--sim", "16F877:" + path, "run"}, dir.Path());
    ASSERT_TRUE(running.WaitForOutput("Ctrl-C para detener"));
    const CliResult second = Sim("16F877", {"-y", "erase"});
    EXPECT_EQ(second.status, 2) << second.Describe();
    EXPECT_NE(second.err.find("está en uso por otro daxwel o daxwel-cli"), std::string::npos);
    running.Signal(SIGINT);
    const CliResult first = running.Wait();
    EXPECT_EQ(first.status, 0) << first.Describe();
    EXPECT_EQ(first.Result(), "ok");
    EXPECT_EQ(Sim("16F877", {"detect"}).status, 0) << "the lock went with the process";
  }
}

TEST_F(State, KeepsItsModelAndIsWrittenOnlyWhenTheChipChanged) {
  ASSERT_EQ(Sim("16F877", {"-y", "program", k877}).status, 0);
  const std::string programmed = ReadAll(path);
  EXPECT_EQ(programmed.rfind(";PIC 16F877\r\n", 0), 0u);
  CliResult r = Sim("16F876", {"detect"});
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_NE(r.err.find("guarda un PIC 16F877, no un 16F876"), std::string::npos);

  ::chmod(path.c_str(), 0444);
  for (const std::vector<std::string>& unchanged :
       {std::vector<std::string>{"detect"}, {"info"}, {"-y", "verify", k877}}) {
    EXPECT_EQ(Sim("16F877", unchanged).status, 0) << unchanged.back();
  }
  r = Sim("16F877", {"-y", "erase"});
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_NE(r.err.find("es de solo lectura"), std::string::npos);
  EXPECT_EQ(ReadAll(path), programmed);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(State, ALinkedStateKeepsItsLink) {
  std::filesystem::create_symlink("real.hex", path);
  ASSERT_EQ(Sim("16F877", {"-y", "program", k877}).status, 0);
  ASSERT_EQ(Sim("16F877", {"-y", "erase"}).status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  ChipContents c;
  ASSERT_EQ(sim::ReadContentsFile(dir.Path() + "/real.hex", 8192, 256, c), "");
  EXPECT_EQ(c.program[0], 0x3FFF) << "the target holds the erased chip";
}

}  // namespace
}  // namespace daxwel::testing
