#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/layout.h"
#include "device/calibration_store.h"
#include "device/operator.h"
#include "link/adapters.h"
#include "link/clock.h"
#include "link/line_driver.h"
#include "ui/port_opening.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace daxwel {

class ConfigDialog;
class FrmDoing;
class FrmHelpDocument;
class FrmHelpOnLpt;

// One modal question or notice the window would put on screen.
struct MessageRequest {
  bool confirm = false;  // OK/Cancel instead of OK alone
  std::string title;
  std::string text;  // "\r" separates lines
  MessageIcon icon = MessageIcon::None;
};

// Ways out to the desktop, replaceable so tests can answer and watch. Empty members use the
// real thing: a QMessageBox, a QFileDialog, QDesktopServices, leaving the event loop.
struct WindowHooks {
  // true for OK.
  std::function<bool(const MessageRequest&)> answer;
  // The chosen HEX file, or the empty text when the dialog was cancelled.
  std::function<QString()> chooseFile;
  // Hands the URL to the desktop; false when the desktop cannot open it.
  std::function<bool(const QUrl&)> openUrl;
  std::function<void()> quit;
  // After every device operation (a place to save a simulated chip, for instance).
  std::function<void()> afterOperation;
  // The adapter at start-up, and where a new choice goes (to be remembered) once accepted.
  AdapterChoice adapter = DefaultAdapter();
  std::function<void(const AdapterChoice&)> adapterChanged;
  // Where factory calibrations are kept; empty: the user's own store.
  std::string calibrationFolder;
  // Stands in for frmCalibracion: the values given, or nothing for Cancel.
  std::function<std::optional<std::vector<CalibrationValue>>(
      const std::string& text, const std::vector<std::string>& names,
      const std::vector<CalibrationRecord>& candidates)>
      factoryValues;
  // Every wiring the port is about to be driven with, a trial's included (to rebuild a
  // simulated adapter).
  std::function<void(const AdapterChoice&)> adapterInUse;
  // Why the saved adapter cannot be used. While not empty the window says so, drives no port
  // and waits for an adapter to be chosen: no other wiring stands in for it.
  std::string adapterProblem;
};

inline constexpr const char* kMakerSite = "www.mirvane.com.ar";

// frmDaxwel: the start-up window and owner of the user state (port, model, HEX file path,
// adapter presence). Device operations talk to it through Operator.
class FrmDaxwel : public QWidget, public Operator {
  Q_OBJECT

 public:
  FrmDaxwel(PortOpener opener, Pacer& pacer, WindowHooks hooks = {}, QWidget* parent = nullptr);
  ~FrmDaxwel() override;

  std::uint16_t OutPort() const { return outPort_; }
  std::uint16_t InPort() const { return inPort_; }
  // "", "ok" or "error".
  const std::string& HardStatus() const { return hardStatus_; }
  bool Busy() const { return busy_; }
  // Created on first use (hidden).
  ConfigDialog& Dialog(const ConfigLayout& layout);
  // One tick of tmrcheck: refreshes HardStatus and blinks the warning.
  void PresencePoll();
  const AdapterChoice& Adapter() const { return adapter_; }
  // Takes the adapter: the port is opened again with its "off" levels.
  void SetAdapter(const AdapterChoice& choice);
  // Why no adapter is in use (the saved one could not be read), or empty.
  const std::string& AdapterProblem() const { return adapterProblem_; }
  // "Adaptador" (from the port help window) and "Probar adaptador".
  void ChooseAdapter();
  void TestAdapter();
  // "Salir": a run under way stops at its next yield point with the lines at 0, then the
  // program ends (also what a signal from outside asks).
  void Exit();
  // The viewer, or null before the first ShowProgress.
  FrmDoing* ProgressViewer() const { return frmdoing_; }

  // Operator
  int ModelIndex() override;
  void SetModelIndex(int index) override;
  std::string ConfigSource() override;
  void Message(std::string_view title, std::string_view text,
               MessageIcon icon = MessageIcon::None) override;
  bool Confirm(std::string_view title, std::string_view text) override;
  void ShowProgress() override;
  void SetProgressText(std::string_view text) override;
  void HideProgress() override;
  void Yield() override;
  bool AbandonRequested() override { return abandon_; }
  std::string CalibrationFolder() override {
    return hooks_.calibrationFolder.empty() ? DefaultCalibrationFolder() : hooks_.calibrationFolder;
  }
  bool AskFactoryValues(std::string_view text, const std::vector<std::string>& names,
                        const std::vector<CalibrationRecord>& candidates) override;
  std::optional<std::uint16_t> FactoryValue(std::string_view name) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Clicks on the site link and the two logos.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildCommands();
  void StartUp();
  void UpdatePorts(bool reopen = false);
  // Drives the port with `choice`, a trial or a kept one; `problem` as AdapterProblem().
  void UseAdapter(const AdapterChoice& choice, const std::string& problem);
  void TellAdapterProblem();
  void OnModelChanged(int index);
  bool HardwareGateOpen() const { return hardStatus_ != "error"; }
  void Browse();
  QString BrowseHexFile();
  void FileOperation(bool program);
  void Erase();
  void Configure();
  void RunMode();
  void OpenHelp();
  void OpenSite();
  void ShowLptHelp();
  // Runs one device action with the commands that could start another one locked.
  void RunLocked(const std::function<void()>& action);
  void LockCommands(bool locked);
  bool Ask(const MessageRequest& request);
  // `failed` runs when the desktop cannot open the URL (no browser), maybe later.
  void OpenUrl(const QUrl& url, std::function<void()> failed);

  PortOpener opener_;
  Pacer& pacer_;
  WindowHooks hooks_;
  std::unique_ptr<PortIo> port_;
  std::unique_ptr<Link> link_;
  AdapterChoice adapter_;
  std::string adapterProblem_;
  std::uint16_t outPort_ = 0;
  std::uint16_t inPort_ = 0;
  std::string hardStatus_;
  std::string portProblem_;
  bool busy_ = false;
  bool abandon_ = false;
  bool exited_ = false;
  // Factory values the user gave in frmCalibracion during the running operation.
  std::map<std::string, std::uint16_t, std::less<>> givenValues_;

  QComboBox* cmbLptSelect_ = nullptr;
  QComboBox* cmbPicSelect_ = nullptr;
  QLineEdit* txtarchivo_ = nullptr;
  QLabel* lblchkhard_ = nullptr;
  QPushButton* cmdbuscar_ = nullptr;
  QPushButton* cmdprog_ = nullptr;
  QPushButton* cmdverify_ = nullptr;
  QPushButton* cmdborrar_ = nullptr;
  QPushButton* cmdconfig_ = nullptr;
  QPushButton* cmdRun_ = nullptr;
  QTimer* tmrcheck_ = nullptr;
  std::map<const ConfigLayout*, ConfigDialog*> dialogs_;
  FrmDoing* frmdoing_ = nullptr;
  QPointer<FrmHelpOnLpt> frmHelpOnLpt_;
  QPointer<FrmHelpDocument> frmHelpDocument_;
};

}  // namespace daxwel
