// The window without surprises: help without a browser, a state file that cannot be saved, and
// options taken as written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>

#include "support/hex_builder.h"
#include "ui/app_hooks.h"
#include "ui/app_options.h"
#include "ui/help_window.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

bool HelpShown(QWidget& window) {
  auto* help = window.findChild<FrmHelpDocument*>("frmHelpDocument");
  return help != nullptr && help->isVisible() &&
         Find<QTextBrowser>(*help, "txtDocument").toPlainText().contains("Archivo Incorrecto");
}

TEST(WindowHelp, ShownInItsOwnWindowWhenNoBrowserOpensIt) {
  FakeRig r;
  r.desktopOpens = false;
  r.Click("cmdhelp");
  EXPECT_TRUE(HelpShown(*r.window));

  // Without the test's hook, on a system where the desktop's opener is missing altogether.
  TempDir empty;
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(empty.Path()));
  RecordingPort port;
  FrmDaxwel w(PortsOf(port), r.pacer, {});
  Find<QAbstractButton>(w, "cmdhelp").click();
  EXPECT_TRUE(QTest::qWaitFor([&w] { return HelpShown(w); }, 5000));
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
  Find<QLineEdit>(w, "txtarchivo").setText(DAXWEL_SOURCE_DIR "/examples/eeprom877.inhx8m.hex");
  Find<QAbstractButton>(w, "cmdprog").click();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2].text.find("Programación finalizada"), 0u);
  EXPECT_EQ(seen.back().title, "Error");
  EXPECT_NE(seen.back().text.find("es de solo lectura"), std::string::npos) << seen.back().text;
  EXPECT_TRUE(errText.contains("es de solo lectura"));
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
}

}  // namespace
}  // namespace daxwel::testing
