#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace daxwel {

// Loads Qt's own Spanish texts (qtbase_es: the file dialog, the text fields' context menus,
// the standard buttons) from `dir`, Qt's translations folder when empty, and installs them in
// `app`. False, with nothing installed, when they are not there (Debian's
// qt6-translations-l10n is only recommended): the toolkit then keeps its English texts.
// `translator` must outlive the application's use of it.
bool InstallToolkitSpanish(QCoreApplication& app, QTranslator& translator, const QString& dir = {});

}  // namespace daxwel
