#pragma once

#include <QObject>
#include <csignal>
#include <functional>
#include <vector>

class QSocketNotifier;

namespace daxwel {

// Turns the signals that would end the window (SIGTERM, SIGHUP, SIGUSR1... see StopSignals)
// into its "Salir": the operation under way stops at its next yield point with the lines at 0,
// then the event loop ends and the trace and the chip file are written as after "Salir". A
// handler may only write to a descriptor, so the signal reaches the event loop through a pipe.
// A second signal before the first is answered ends the process at once, lines dropped by the
// exit guard. One at a time; make it once the QApplication exists.
class SignalQuit : public QObject {
 public:
  SignalQuit();
  ~SignalQuit() override;
  SignalQuit(const SignalQuit&) = delete;
  SignalQuit& operator=(const SignalQuit&) = delete;

  // What a signal does; until it is given, the event loop just ends.
  void OnSignal(std::function<void()> quit) { quit_ = std::move(quit); }
  // The signal taken, 0 when none.
  int Taken() const { return taken_; }
  // `status`, or 128 + the signal taken, as a shell reports a process the signal ended.
  int ExitStatus(int status) const { return taken_ != 0 ? 128 + taken_ : status; }

 private:
  void Take();
  int fds_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  std::function<void()> quit_;
  int taken_ = 0;
  std::vector<std::pair<int, struct sigaction>> previous_;
};

}  // namespace daxwel
