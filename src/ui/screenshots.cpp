#include "ui/screenshots.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "config/dialog_config.h"
#include "device/catalogue.h"
#include "ui/help_window.h"
#include "ui/hex_file_dialog.h"
#include "ui/logo.h"
#include "ui/main_window.h"
#include "ui/progress_viewer.h"

namespace daxwel {

namespace {

void Settle() {
  // Let the window system map and paint what was just shown.
  for (int i = 0; i < 10; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}

bool Save(QWidget& widget, const QDir& dir) {
  widget.show();
  Settle();
  return widget.grab().save(dir.filePath(widget.objectName() + ".png"));
}

}  // namespace

bool TakeScreenshots(FrmDaxwel& window, const QString& dirPath) {
  QDir dir(dirPath);
  if (!dir.mkpath(".")) return false;
  bool ok = true;
  // One tick by hand and none from the timer: with the adapter missing the warning is on, and
  // a tick during the grab cannot blink it off.
  if (auto* poll = window.findChild<QTimer*>("tmrcheck")) poll->stop();
  window.PresencePoll();
  window.show();
  ok = Save(window, dir) && ok;
  for (const ConfigLayout* layout : ConfigLayouts()) {
    ConfigDialog& dialog = window.Dialog(*layout);
    ok = Save(dialog, dir) && ok;
    dialog.hide();
  }
  window.ShowProgress();
  window.SetProgressText("Verificando Program Memory:  0x1FFF");
  ok = Save(*window.ProgressViewer(), dir) && ok;
  window.HideProgress();
  if (auto* help = window.findChild<QPushButton*>("cmdHelpOnLpt")) {
    help->click();
    if (QWidget* lpt = window.findChild<QWidget*>("frmHelpOnLpt")) ok = Save(*lpt, dir) && ok;
  }
  {
    // The help document in the program's own window, as it shows without a browser.
    FrmHelpDocument document(HelpDocumentPath(QCoreApplication::applicationDirPath()), &window);
    ok = Save(document, dir) && ok;
  }
  {
    // The dialog "Buscar" opens, set up the same way, on the current folder.
    QFileDialog browse(&window);
    SetUpHexFileDialog(browse);
    browse.setDirectory(QDir::currentPath());
    browse.selectFile("*.hex");  // a folder change clears the name field
    ok = Save(browse, dir) && ok;
    browse.hide();
  }
  ok = DrawIcon(128).save(dir.filePath("daxwel.png")) && ok;
  ok = DrawLogo().save(dir.filePath("logo.png")) && ok;
  return ok;
}

}  // namespace daxwel
