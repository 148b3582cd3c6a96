// Signals from outside: every one that would end the program leaves the adapter lines off, and
// a trace cut short by the file-size limit does not cut the operation short.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

// The last byte written to `address` in a trace, "" when none.
std::string LastWrite(const std::string& trace, const std::string& address) {
  const std::size_t at = trace.rfind(" W " + address + " ");
  return at == std::string::npos ? "" : trace.substr(at + 8, 2);
}

std::string BigProgram(TempDir& dir) {
  return dir.Write("zeros.hex",
                   HexBuilder().Words(0, std::vector<int>(512, 0x0000)).Config(0x3F39).Text());
}

TEST(Signals, EverySignalThatEndsTheRunLeavesTheLinesOff) {
  TempDir dir;
  const std::string big = BigProgram(dir);
  const struct {
    int sig;
    const char* name;
  } cases[] = {
      {SIGINT, "SIGINT"},       {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"},
      {SIGUSR1, "SIGUSR1"},     {SIGUSR2, "SIGUSR2"}, {SIGALRM, "SIGALRM"},
      {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGXCPU, "SIGXCPU"},
#ifdef SIGPWR
      {SIGPWR, "SIGPWR"},
#endif
  };
  for (const auto& c : cases) {
    const std::string trace = dir.Path() + "/" + c.name;
    CliProcess run({"--sim", "16F877", "--force", "--trace", trace, "-y", "program", big},
                   dir.Path());
    // Well into the program pass, with VPP on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadAll(trace).size() < 100000 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(LastWrite(ReadAll(trace), "0378"), "00") << c.name << ": not programming yet";
    run.Signal(c.sig);
    const CliResult r = run.Wait(std::chrono::seconds(30));
    EXPECT_EQ(r.status, 130) << c.name << "\n" << r.Describe();
    EXPECT_EQ(r.Result(), "abandoned") << c.name;
    EXPECT_EQ(LastWrite(ReadAll(trace), "0378"), "00") << c.name;
  }
}

// As `ulimit -f` would: files the program writes stop growing at `bytes`.
CliResult RunWithFileSizeLimit(const std::vector<std::string>& args, rlim_t bytes,
                               const std::string& scratch) {
  const std::string out = scratch + "/limited-out";
  const std::string err = scratch + "/limited-err";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    CliProcess::Exec(args);
  }
  CliResult r;
  r.status = CliProcess::WaitStatus(pid, std::chrono::seconds(120));
  r.out = ReadAll(out);
  r.err = ReadAll(err);
  return r;
}

TEST(Signals, ATraceCutByTheFileSizeLimitLetsTheOperationEnd) {
  TempDir dir;
  const std::string big = BigProgram(dir);
  const std::string trace = dir.Path() + "/t";
  const std::string chip = dir.Path() + "/chip.hex";
  const CliResult r = RunWithFileSizeLimit(
      {"--sim", "16F877:" + chip, "--sim-time", "virtual", "--trace", trace, "-y", "program", big},
      64 * 1024, dir.Path());
  // The chip is programmed, and the result says the trace is short.
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_EQ(r.Result(), "ok") << r.Describe();
  EXPECT_NE(r.err.find("El registro de accesos " + trace + " quedó incompleto"), std::string::npos)
      << r.Describe();
  EXPECT_EQ(ReadAll(trace).size(), 64u * 1024u);
  const CliResult verify =
      RunCli({"--sim", "16F877:" + chip, "--sim-time", "virtual", "-y", "verify", big}, dir.Path());
  EXPECT_EQ(verify.status, 0) << verify.Describe();
}

}  // namespace
}  // namespace daxwel::testing
