#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/clock.h"
#include "sim/sim_adapter.h"
#include "support/hex_builder.h"
#include "support/recording_port.h"
#include "ui/main_window.h"
#include "ui/port_opening.h"

namespace daxwel::testing {

// The application made by the test program's main.
inline QApplication& App() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

// A named control; direct children only, since the dialogs (children of the main window)
// reuse names such as Label1 and Shape1.
template <typename T = QWidget>
T& Find(QObject& parent, const char* name, bool direct = true) {
  T* child =
      parent.findChild<T*>(name, direct ? Qt::FindDirectChildrenOnly : Qt::FindChildrenRecursively);
  if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *child;
}

// The main window with every way out to the desktop replaced by a recorder.
class Rig {
 public:
  std::vector<MessageRequest> seen;
  // Answer to each box; OK when empty.
  std::function<bool(const MessageRequest&)> reply;
  std::vector<QUrl> urls;
  // Whether the desktop opens what it is handed (false: no browser).
  bool desktopOpens = true;
  QString fileToChoose;
  int quits = 0;
  int operationsEnded = 0;
  // Real QMessageBox windows instead of the recorder.
  bool realBoxes = false;
  // Factory calibrations of the tests' chips, never the user's own store.
  TempDir store;
  // Stands in for frmCalibracion; nothing answers Cancel.
  std::function<std::optional<std::vector<CalibrationValue>>(
      const std::string&, const std::vector<std::string>&, const std::vector<CalibrationRecord>&)>
      factoryValues;
  std::unique_ptr<FrmDaxwel> window;

  template <typename T = QWidget>
  T& Control(const char* name) {
    return Find<T>(*window, name);
  }
  void Click(const char* name) { Control<QAbstractButton>(name).click(); }
  // Runs `action` at the next pass of the event loop, which during a run is its next yield.
  void Soon(std::function<void()> action) { QTimer::singleShot(0, window.get(), action); }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const MessageRequest& r : seen) titles.push_back(r.title);
    return titles;
  }

 protected:
  void Open(PortOpener opener, Pacer& pacer) {
    App();
    WindowHooks hooks;
    if (!realBoxes) {
      hooks.answer = [this](const MessageRequest& r) {
        seen.push_back(r);
        return reply ? reply(r) : true;
      };
    }
    hooks.chooseFile = [this] { return fileToChoose; };
    hooks.openUrl = [this](const QUrl& url) {
      urls.push_back(url);
      return desktopOpens;
    };
    hooks.quit = [this] { ++quits; };
    hooks.afterOperation = [this] { ++operationsEnded; };
    hooks.calibrationFolder = store.Path();
    hooks.factoryValues = [this](const std::string& text, const std::vector<std::string>& names,
                                 const std::vector<CalibrationRecord>& candidates)
        -> std::optional<std::vector<CalibrationValue>> {
      if (!factoryValues) return std::nullopt;
      return factoryValues(text, names, candidates);
    };
    window = std::make_unique<FrmDaxwel>(std::move(opener), pacer, hooks);
  }
};

// The window on a recording port; `port.idle` is what the status register shows.
class FakeRig : public Rig {
 public:
  RecordingPort port;
  VirtualPacer pacer;
  explicit FakeRig(bool withRealBoxes = false) {
    realBoxes = withRealBoxes;
    Open(PortsOf(port), pacer);
  }
  ~FakeRig() { window.reset(); }
};

// The window on the simulated adapter, on virtual time.
class SimRig : public Rig {
 public:
  VirtualPacer pacer;
  sim::SimAdapter sim;
  explicit SimRig(sim::SimModel model, sim::Faults faults = {}) : sim(model, pacer, 0x378, faults) {
    Open(PortsOf(sim), pacer);
  }
  ~SimRig() { window.reset(); }
};

}  // namespace daxwel::testing
