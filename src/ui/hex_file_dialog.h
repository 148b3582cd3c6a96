#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace daxwel {

// dlgabrir: opens an existing HEX file. Qt's own dialog rather than the desktop's, so its texts
// follow the toolkit translation and its name field starts with "*.hex" as the design has it.
void SetUpHexFileDialog(QFileDialog& dialog);

// Runs the dialog modally over `parent`: the chosen path, or the empty text when cancelled.
QString AskHexFile(QWidget* parent);

}  // namespace daxwel
