#include "ui/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace daxwel {

QString HelpDocumentPath(const QString& programDir) {
  const QDir dir(programDir);
  const QString beside = dir.filePath("ayuda.htm");
  if (QFileInfo(beside).isFile()) return beside;
  // The install rule and this path come from the same CMake variable.
  const QString installed =
      QDir::cleanPath(dir.filePath(QStringLiteral(DAXWEL_HELP_FROM_BINDIR "/ayuda.htm")));
  return QFileInfo(installed).isFile() ? installed : beside;
}

QString LptHelpText() {
  // Lines 5, 7, 9 and 17 keep their trailing blank.
  static constexpr const char* kLines[] = {
      "Para seleccionar el puerto LPT a usar,",
      "elegir la dirección correspondiente al",
      "mismo mediante el menú desplegable.",
      "",
      "Generalmente la dirección 0x378 ",
      "corresponde al LPT1 y 0x278 al LPT2.",
      "En contados casos, puede darse que ",
      "el LPT1 tenga la dirección 0x3BC,",
      "en cuyo caso el LPT2 asume la ",
      "dirección 0x378.",
      "",
      "Puede ver la dirección correspondiente",
      "a cada LPT en el recuadro que su PC",
      "muestra justo antes de iniciar la carga",
      "del sistema operativo.",
      "Presione la tecla pausa cuando este",
      "recuadro aparece para poder leer los ",
      "datos mostrados, luego podrá continuar",
      "el proceso de encendido presionando",
      "cualquier tecla.",
      "",
  };
  QStringList lines;
  for (const char* line : kLines) lines << QString::fromUtf8(line);
  return lines.join("\r\n");
}

FrmHelpOnLpt::FrmHelpOnLpt(QWidget* parent, std::function<void()> chooseAdapter) : QDialog(parent) {
  setObjectName("frmHelpOnLpt");
  setWindowTitle("Ayuda");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setFixedSize(250, 376);
  // Sized for the design's 8-point text.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  auto* txtHelp = new QPlainTextEdit(this);
  txtHelp->setObjectName("txtHelp");
  txtHelp->setGeometry(8, 8, 241, 329);
  txtHelp->setReadOnly(true);
  txtHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The widget keeps lines apart by itself; a CR would show as a stray glyph.
  QString shown = LptHelpText();
  shown.replace("\r\n", "\n");
  txtHelp->setPlainText(shown);

  auto* cmdAceptar = new QPushButton("Aceptar", this);
  cmdAceptar->setObjectName("cmdAceptar");
  cmdAceptar->setGeometry(72, 344, 89, 25);
  connect(cmdAceptar, &QPushButton::clicked, this, &QWidget::close);

  // Beside "Aceptar": which programmer is on the port is the other half of the port choice.
  if (chooseAdapter) {
    auto* cmdAdaptador = new QPushButton("Adaptador...", this);
    cmdAdaptador->setObjectName("cmdAdaptador");
    cmdAdaptador->setGeometry(166, 344, 80, 25);
    connect(cmdAdaptador, &QPushButton::clicked, this, std::move(chooseAdapter));
  }
}

FrmHelpDocument::FrmHelpDocument(const QString& path, QWidget* parent) : QDialog(parent) {
  setObjectName("frmHelpDocument");
  setWindowTitle("Ayuda");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  resize(760, 560);

  auto* txtDocument = new QTextBrowser(this);
  txtDocument->setObjectName("txtDocument");
  // Links to the web go to the desktop; those inside the document stay here.
  txtDocument->setOpenExternalLinks(true);
  if (QFileInfo(path).isFile()) {
    txtDocument->setSource(QUrl::fromLocalFile(path));
  } else {
    txtDocument->setPlainText("No se encontró el documento de ayuda " + path);
  }

  auto* cmdAceptar = new QPushButton("Aceptar", this);
  cmdAceptar->setObjectName("cmdAceptar");
  connect(cmdAceptar, &QPushButton::clicked, this, &QWidget::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtDocument);
  layout->addWidget(cmdAceptar, 0, Qt::AlignHCenter);
}

}  // namespace daxwel
