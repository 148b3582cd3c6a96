#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "link/exit_guard.h"

namespace daxwel {
namespace {

void SayLinesOff(const LinesOffAction& action) noexcept {
  static const char kText[] = "lineas a 0\n";
  [[maybe_unused]] ssize_t n = ::write(action.handle, kText, sizeof kText - 1);
}

// Each case runs in a child process: the guard drops the lines, then the signal still ends
// the process the way it would have without the guard.
void DieBy(int sig) {
  InstallExitGuard();
  EmergencyRegistration port({SayLinesOff, STDERR_FILENO, 0, -1});
  std::raise(sig);
  std::_Exit(0);  // not reached when the signal is re-raised with its default action
}

void ExitWithoutUnwinding() {
  InstallExitGuard();
  // Left registered on purpose: std::exit skips destructors of locals.
  auto* port = new EmergencyRegistration({SayLinesOff, STDERR_FILENO, 0, -1});
  (void)port;
  std::exit(4);
}

void HostHandlerKept() {
  std::signal(SIGTERM, [](int) { std::_Exit(7); });
  InstallExitGuard();
  EmergencyRegistration port({SayLinesOff, STDERR_FILENO, 0, -1});
  std::raise(SIGTERM);
}

TEST(ExitGuardDeathTest, LinesDropOnSignalsAndExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DieBy(SIGTERM), ::testing::KilledBySignal(SIGTERM), "lineas a 0");
  EXPECT_EXIT(DieBy(SIGINT), ::testing::KilledBySignal(SIGINT), "lineas a 0");
  EXPECT_EXIT(DieBy(SIGABRT), ::testing::KilledBySignal(SIGABRT), "lineas a 0");
  EXPECT_EXIT(ExitWithoutUnwinding(), ::testing::ExitedWithCode(4), "lineas a 0");
  // A host's own handler is not replaced; the guard then has no say.
  EXPECT_EXIT(HostHandlerKept(), ::testing::ExitedWithCode(7), "^$");
}

// Every signal that ends a process by default drops the lines first; a write past the
// file-size limit no longer ends it at all (it fails, and the trace says so).
TEST(ExitGuardDeathTest, EveryEndingSignalDropsTheLines) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // (The faults are the sanitizers' own in the checked build.)
  const struct {
    int sig;
    const char* name;
  } cases[] = {
      {SIGHUP, "SIGHUP"},   {SIGQUIT, "SIGQUIT"},     {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"},
      {SIGALRM, "SIGALRM"}, {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGXCPU, "SIGXCPU"},
#ifdef SIGPWR
      {SIGPWR, "SIGPWR"},
#endif
  };
  for (const auto& c : cases) {
    // The death test's own start ignores SIGPROF; a program starts with the default.
    EXPECT_EXIT((std::signal(c.sig, SIG_DFL), DieBy(c.sig)), ::testing::KilledBySignal(c.sig),
                "lineas a 0")
        << c.name;
  }
  EXPECT_EXIT(DieBy(SIGXFSZ), ::testing::ExitedWithCode(0), "^$");
}

}  // namespace
}  // namespace daxwel
