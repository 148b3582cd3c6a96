// Signals from outside end the window as "Salir" does: the lines at 0 and the trace written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/hex_builder.h"
#include "ui/signal_quit.h"

namespace daxwel::testing {
namespace {

const struct {
  int sig;
  const char* name;
} kEndingSignals[] = {
    {SIGTERM, "SIGTERM"},     {SIGINT, "SIGINT"},   {SIGHUP, "SIGHUP"},
    {SIGUSR1, "SIGUSR1"},     {SIGUSR2, "SIGUSR2"}, {SIGALRM, "SIGALRM"},
    {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGXCPU, "SIGXCPU"},
#ifdef SIGPWR
    {SIGPWR, "SIGPWR"},
#endif
};

TEST(WindowSignals, EachSignalThatWouldEndTheWindowAsksItToQuit) {
  for (const auto& c : kEndingSignals) {
    SignalQuit watch;
    int calls = 0;
    watch.OnSignal([&calls] { ++calls; });
    ::raise(c.sig);
    EXPECT_TRUE(QTest::qWaitFor([&calls] { return calls > 0; }, 5000)) << c.name;
    EXPECT_EQ(calls, 1) << c.name;
    EXPECT_EQ(watch.Taken(), c.sig) << c.name;
    EXPECT_EQ(watch.ExitStatus(0), 128 + c.sig) << c.name;
  }
  // Without a signal the window's own status stands.
  SignalQuit quiet;
  EXPECT_EQ(quiet.ExitStatus(3), 3);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The program killed with SIGTERM while idle on the simulator: its trace reaches the file and
// ends with the lines at 0.
TEST(WindowSignals, SigtermWritesTheTraceAndLeavesTheLinesOff) {
  TempDir dir;
  const std::string state = dir.Path() + "/chip.hex";
  const std::string trace = dir.Path() + "/t";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("HOME", dir.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::execl(DAXWEL_GUI_PATH, DAXWEL_GUI_PATH, "--sim", ("16F84A:" + state).c_str(), "--sim-time",
            "virtual", "--trace", trace.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  // The chip file appears once the application is up and taking signals.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(state) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(pid, SIGTERM);
  int wstatus = 0;
  ASSERT_EQ(::waitpid(pid, &wstatus, 0), pid);
  EXPECT_TRUE(WIFEXITED(wstatus)) << "ended by the signal itself, trace buffer lost";
  if (WIFEXITED(wstatus)) {
    EXPECT_EQ(WEXITSTATUS(wstatus), 128 + SIGTERM);
  }
  const std::string log = ReadAll(trace);
  ASSERT_GE(log.size(), 10u) << "trace lost";
  EXPECT_EQ(log.substr(log.rfind(" W 0378 ")), " W 0378 00\n") << log;
}

}  // namespace
}  // namespace daxwel::testing
