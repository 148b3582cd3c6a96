// What changes once the program is installed rather than run from the build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTranslator>

#include "support/hex_builder.h"
#include "ui/app_options.h"
#include "ui/help_window.h"
#include "ui/hex_file_dialog.h"
#include "ui/toolkit_language.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

TEST(Installed, HelpBesideTheProgramFirstThenUnderShare) {
  struct Row {
    bool beside;
    bool shared;
    const char* expected;  // relative to the prefix
  };
  for (const Row& row :
       {Row{true, true, "bin/ayuda.htm"}, Row{false, true, "share/daxwel/ayuda.htm"},
        Row{false, false, "bin/ayuda.htm"}}) {
    TempDir prefix;
    const QDir root(QString::fromStdString(prefix.Path()));
    ASSERT_TRUE(root.mkpath("bin") && root.mkpath("share/daxwel"));
    if (row.beside) prefix.Write("bin/ayuda.htm", "<html></html>");
    if (row.shared) prefix.Write("share/daxwel/ayuda.htm", "<html></html>");
    EXPECT_EQ(HelpDocumentPath(root.filePath("bin")), root.filePath(row.expected))
        << row.beside << row.shared;
  }
}

TEST(Installed, ToolkitTextsInSpanishOnlyWhenTheTranslationIsThere) {
  QApplication& app = App();
  TempDir empty;
  QTranslator none;
  EXPECT_FALSE(InstallToolkitSpanish(app, none, QString::fromStdString(empty.Path())));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");

  const bool present =
      QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_es.qm");
  QTranslator spanish;
  ASSERT_EQ(InstallToolkitSpanish(app, spanish), present);
  if (!present) GTEST_SKIP() << "qt6-translations-l10n is not installed";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), "&Nombre de fichero:");
  QCoreApplication::removeTranslator(&spanish);
}

TEST(Installed, ManPageNamesEveryOptionOfTheHelp) {
  AppOptions options;
  ASSERT_TRUE(ParseAppOptions({"daxwel", "--help"}, options).isEmpty());
  QFile file(QStringLiteral(DAXWEL_SOURCE_DIR) + "/resources/man/daxwel.1");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString page = QString::fromUtf8(file.readAll());
  static const QRegularExpression longOption("--[a-z][a-z-]*");
  int seen = 0;
  for (const QRegularExpressionMatch& m : longOption.globalMatch(options.helpText)) {
    QString roff = m.captured();
    EXPECT_TRUE(page.contains(roff.replace("-", "\\-"))) << m.captured().toStdString();
    ++seen;
  }
  EXPECT_GE(seen, 6);
}

TEST(Installed, FileDialogStartsWithHexInItsNameField) {
  App();
  QFileDialog dialog;
  SetUpHexFileDialog(dialog);
  EXPECT_EQ(dialog.windowTitle(), "Abrir");
  EXPECT_EQ(dialog.nameFilters(), QStringList{"Archivos HEX (*.hex)"});
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(Find<QLineEdit>(dialog, "fileNameEdit", false).text(), "*.hex");
}

}  // namespace
}  // namespace daxwel::testing
