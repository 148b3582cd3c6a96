#include "ui/toolkit_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace daxwel {

bool InstallToolkitSpanish(QCoreApplication& app, QTranslator& translator, const QString& dir) {
  const QString folder = dir.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dir;
  // Spanish whatever the desktop's language: every text of the program is Spanish.
  if (!translator.load(QLocale(QLocale::Spanish), "qtbase", "_", folder)) return false;
  return app.installTranslator(&translator);
}

}  // namespace daxwel
