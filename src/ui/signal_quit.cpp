#include "ui/signal_quit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <atomic>

#include "link/exit_guard.h"

namespace daxwel {
namespace {

// A signal handler can only reach globals: where to write, and whether a signal is already on
// its way to the event loop.
std::atomic<int> g_wakeFd{-1};
std::atomic<bool> g_pending{false};

extern "C" void WakeEventLoop(int sig) {
  const int fd = g_wakeFd.load();
  if (fd < 0 || g_pending.exchange(true)) {
    // Nobody listens, or the first signal went unanswered: end now, as without this.
    RunEmergencyLinesOff();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    raise(sig);
    return;
  }
  const auto byte = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
}

}  // namespace

SignalQuit::SignalQuit() {
  if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SignalQuit::Take);
  g_pending.store(false);
  g_wakeFd.store(fds_[1]);
  struct sigaction wake {};
  wake.sa_handler = WakeEventLoop;
  sigemptyset(&wake.sa_mask);
  for (int sig : StopSignals()) {
    struct sigaction before {};
    if (sigaction(sig, &wake, &before) == 0) previous_.emplace_back(sig, before);
  }
}

SignalQuit::~SignalQuit() {
  for (const auto& [sig, before] : previous_) sigaction(sig, &before, nullptr);
  g_wakeFd.store(-1);
  for (int fd : fds_) {
    if (fd >= 0) ::close(fd);
  }
}

void SignalQuit::Take() {
  unsigned char byte = 0;
  if (::read(fds_[0], &byte, 1) != 1 || taken_ != 0) return;
  taken_ = byte;
  // A question on screen would hold the operation: it is answered as its Cancel (or its only
  // button) would answer it.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->isModal()) w->close();
  }
  if (quit_) {
    quit_();
  } else {
    QCoreApplication::exit(0);
  }
}

}  // namespace daxwel
