// The window without surprises: help without a browser, a state file that cannot be saved, and
// options taken as written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTextStream>
#include <chrono>
#include <thread>

#include "support/hex_builder.h"
#include "ui/app_hooks.h"
#include "ui/app_options.h"
#include "ui/help_window.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

const QString kExample = QStringLiteral(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

// Runs the event loop until `done` holds, at most five seconds.
template <typename Done>
bool Within(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

FrmHelpDocument* HelpShown(QWidget& window) {
  auto* help = window.findChild<FrmHelpDocument*>("frmHelpDocument");
  return help != nullptr && help->isVisible() ? help : nullptr;
}

TEST(WindowHelp, ShownInItsOwnWindowWhenNoBrowserOpensIt) {
  FakeRig r;
  r.desktopOpens = false;
  r.Click("cmdhelp");
  FrmHelpDocument* help = HelpShown(*r.window);
  ASSERT_NE(help, nullptr);
  EXPECT_NE(Find<QTextBrowser>(*help, "txtDocument").toPlainText().indexOf("Archivo Incorrecto"),
            -1)
      << "the document itself, rendered";

  // Without the test's hook: the desktop's opener is missing altogether.
  TempDir empty;
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(empty.Path()));
  VirtualPacer pacer;
  RecordingPort port;
  WindowHooks hooks;
  hooks.answer = [](const MessageRequest&) { return true; };
  FrmDaxwel w(PortsOf(port), pacer, hooks);
  Find<QAbstractButton>(w, "cmdhelp").click();
  EXPECT_TRUE(Within([&w] { return HelpShown(w) != nullptr; }));
  qputenv("PATH", path);
}

TEST(WindowState, AFailedSaveIsShownAfterTheOperation) {
  TempDir dir;
  sim::SimOptions o;
  o.time = sim::SimTime::Virtual;
  o.statePath = dir.Path() + "/chip.hex";
  sim::SimSession session(o);
  ASSERT_EQ(session.LoadState(), "");
  ::chmod(o.statePath.c_str(), 0444);

  std::vector<MessageRequest> seen;
  WindowHooks hooks;
  hooks.answer = [&seen](const MessageRequest& m) {
    seen.push_back(m);
    return true;
  };
  QString errText;
  QTextStream err(&errText);
  FrmDaxwel* shown = nullptr;
  SaveStateAfterEachOperation(hooks, session, err, [&shown]() -> Operator* { return shown; });
  FrmDaxwel w(PortsOf(session.Adapter()), session.GetPacer(), hooks);
  shown = &w;
  Find<QLineEdit>(w, "txtarchivo").setText(kExample);
  Find<QAbstractButton>(w, "cmdprog").click();

  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2].text.find("Programación finalizada"), 0u);
  EXPECT_EQ(seen.back().title, "Error");
  EXPECT_NE(seen.back().text.find("es de solo lectura"), std::string::npos) << seen.back().text;
  EXPECT_NE(errText.indexOf("es de solo lectura"), -1);
}

TEST(WindowOptions, EmptyValuesAreRefusedAndTheHelpIsInSpanish) {
  AppOptions options;
  EXPECT_EQ(ParseAppOptions({"daxwel", "--sim", ""}, options), "--sim: falta el modelo");
  EXPECT_EQ(ParseAppOptions({"daxwel", "--trace", ""}, options),
            "--trace: falta el nombre del archivo");
  ASSERT_EQ(ParseAppOptions({"daxwel", "--trace", "t", "--force"}, options), "");
  EXPECT_TRUE(options.force);
  for (const char* english : {"FILE", "MODEL[", "KIND", "VALUE", "STATE"}) {
    EXPECT_EQ(options.helpText.indexOf(english), -1) << english;
  }
  EXPECT_NE(options.helpText.indexOf("MODELO[:ESTADO]"), -1);
}

}  // namespace
}  // namespace daxwel::testing
