#include "ui/hex_file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace daxwel {

void SetUpHexFileDialog(QFileDialog& dialog) {
  dialog.setObjectName("dlgabrir");
  dialog.setWindowTitle("Abrir");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter("Archivos HEX (*.hex)");
  // Wide enough for the size and date columns beside long names.
  dialog.resize(760, 460);
  // A name with a wildcard filters the list when accepted, so "*.hex" is both the hint and a
  // harmless answer.
  dialog.selectFile("*.hex");
}

QString AskHexFile(QWidget* parent) {
  QFileDialog dialog(parent);
  SetUpHexFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace daxwel
