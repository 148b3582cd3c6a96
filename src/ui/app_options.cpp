#include "ui/app_options.h"

#include <QCommandLineParser>
#include <QString>
#include <string>
#include <vector>

#include "device/catalogue.h"

namespace daxwel {

namespace {

// Qt's own window-system options ("-platform offscreen", "-style Fusion") are taken by
// QApplication from the same arguments; here they only have to pass.
void PassToolkitOptions(QCommandLineParser& parser) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const char* qtOption : {"platform", "style", "display", "qwindowgeometry", "qwindowtitle",
                               "qwindowicon", "stylesheet", "session"}) {
    QCommandLineOption passed(qtOption, "", "value");
    passed.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(passed);
  }
  QCommandLineOption reverse("reverse", "");
  reverse.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(reverse);
}

}  // namespace

QString ParseAppOptions(const QStringList& arguments, AppOptions& options) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QString::fromStdString("Programador de PIC " + ModelNames(", ") +
                             " por puerto paralelo.\nSin opciones usa los puertos paralelos "
                             "reales."));
  const QCommandLineOption help(QStringList{"h", "help"}, "Muestra esta ayuda.");
  const QCommandLineOption version(QStringList{"v", "version"}, "Muestra la versión.");
  const QCommandLineOption sim(
      "sim",
      QString::fromStdString("Usa el adaptador simulado en 0x378 con un PIC MODELO (" +
                             ModelNames(", ") +
                             "); ESTADO es el archivo que guarda el chip entre ejecuciones."),
      "MODELO[:ESTADO]");
  const QCommandLineOption simTime(
      "sim-time", "Tiempo del chip simulado: real (por omisión) o virtual.", "real|virtual");
  const QCommandLineOption simFault(
      "sim-fault",
      QString::fromStdString("Falla simulada: " + sim::FaultKindList() +
                             ". Con vpp=V, por encima de 12 V los 16F88X, 16F91X, 16F785 y 16HV785 la registran "
                             "como violación. Se puede repetir."),
      "TIPO[=VALOR]");
  const QCommandLineOption trace(
      "trace",
      "Registra cada acceso al puerto en ARCHIVO (ns W|R dirección valor); no reemplaza un "
      "archivo sin --force.",
      "ARCHIVO");
  const QCommandLineOption force("force", "Reemplaza el archivo de --trace si ya existe.");
  QCommandLineOption screenshot("screenshot", "Escribe una imagen PNG de cada ventana.", "CARPETA");
  screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({help, version, sim, simTime, simFault, trace, force, screenshot});
  PassToolkitOptions(parser);

  options = AppOptions{};
  const bool parsed = parser.parse(arguments);
  options.helpText = parser.helpText();
  if (!parsed) return parser.errorText();
  options.help = parser.isSet(help);
  options.version = parser.isSet(version);
  if (!parser.positionalArguments().isEmpty()) {
    return "Argumento inesperado: " + parser.positionalArguments().first();
  }
  options.screenshotDir = parser.value(screenshot);
  options.tracePath = parser.value(trace);
  options.force = parser.isSet(force);
  // An empty value (an unset shell variable) is a mistake, never the same as no option.
  if (parser.isSet(trace) && options.tracePath.isEmpty()) {
    return "--trace: falta el nombre del archivo";
  }
  if (parser.isSet(sim) && parser.value(sim).isEmpty()) return "--sim: falta el modelo";

  if (!parser.isSet(sim)) {
    if (parser.isSet(simTime) || parser.isSet(simFault)) {
      return "--sim-time y --sim-fault requieren --sim";
    }
    return {};
  }
  sim::SimOptions simOptions;
  std::vector<std::string> faults;
  for (const QString& fault : parser.values(simFault)) faults.push_back(fault.toStdString());
  const std::string time = parser.isSet(simTime) ? parser.value(simTime).toStdString() : "real";
  if (std::string problem =
          sim::ParseSimOptions(parser.value(sim).toStdString(), time, faults, simOptions);
      !problem.empty()) {
    return QString::fromStdString(problem);
  }
  options.sim = std::move(simOptions);
  return {};
}

}  // namespace daxwel
