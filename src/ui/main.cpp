#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTextStream>
#include <QTranslator>
#include <fstream>
#include <memory>
#include <optional>

#include "device/catalogue.h"
#include "link/adapters.h"
#include "link/clock.h"
#include "link/exit_guard.h"
#include "link/saved_adapter.h"
#include "link/trace_port.h"
#include "sim/sim_session.h"
#include "ui/app_hooks.h"
#include "ui/app_options.h"
#include "ui/main_window.h"
#include "ui/port_opening.h"
#include "ui/screenshots.h"
#include "ui/signal_quit.h"
#include "ui/toolkit_language.h"

namespace {

// Answers what needs no window (a broken parts table, --help, --version, a mistake in the
// arguments), without a display where it can. Nothing: go on to the window.
std::optional<int> AnswerWithoutWindow(int argc, char** argv, const QStringList& arguments,
                                       daxwel::AppOptions& options) {
  // A parts table that does not read whole drives nothing; the help still shows.
  const bool partsTableBroken = !daxwel::CatalogueProblem().empty();
  const bool helpAsked = arguments.contains("-h") || arguments.contains("--help") ||
                         arguments.contains("-v") || arguments.contains("--version");
  if (partsTableBroken && !helpAsked) {
    const QString why = QString::fromStdString(daxwel::CatalogueProblem());
    QTextStream(stderr) << "daxwel: " << why << "\n";
    QApplication app(argc, argv);
    QMessageBox::critical(nullptr, "Error", why);
    return 2;
  }
  QString problem = daxwel::ParseAppOptions(arguments, options);
  if (problem.isEmpty() && !options.help && !options.version) return std::nullopt;
  QCoreApplication textOnly(argc, argv);
  QTranslator toolkitSpanish;  // "Uso:" and "Opciones:" of the help
  daxwel::InstallToolkitSpanish(textOnly, toolkitSpanish);
  problem = daxwel::ParseAppOptions(QCoreApplication::arguments(), options);
  if (!problem.isEmpty()) {
    QTextStream(stderr) << "daxwel: " << problem << "\n\n" << options.helpText;
    return 64;
  }
  QTextStream(stdout) << (options.help ? options.helpText : QString("daxwel 2.0\n"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  daxwel::sim::ReserveStandardStreams();
  // Before Qt starts any thread: every way out leaves the adapter lines at 0.
  daxwel::InstallExitGuard();
  // The arguments are read before the window system is reached, so that --help and mistakes
  // are answered without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  daxwel::AppOptions options;
  if (const auto answered = AnswerWithoutWindow(argc, argv, arguments, options)) return *answered;

  QApplication app(argc, argv);
  // From here a signal that would end the program ends it as "Salir" does, trace written.
  daxwel::SignalQuit signalQuit;
  QApplication::setApplicationName("daxwel");
  QApplication::setApplicationVersion("2.0");
  QTranslator toolkitSpanish;
  daxwel::InstallToolkitSpanish(app, toolkitSpanish);
  QTextStream err(stderr);

  std::unique_ptr<daxwel::sim::SimSession> simulated;
  daxwel::SteadyPacer realTime;
  daxwel::Pacer* pacer = &realTime;
  daxwel::PortOpener opener = daxwel::RealPorts();
  daxwel::WindowHooks hooks;
  daxwel::FrmDaxwel* shown = nullptr;
  // The adapter chosen last time, the one the command line uses too. One that cannot be read
  // is said, and the window waits for a choice rather than drive another wiring.
  if (options.screenshotDir.isEmpty()) {
    const daxwel::SavedAdapter saved = daxwel::LoadSavedAdapter();
    if (!saved.problem.empty()) {
      hooks.adapterProblem = saved.problem;
      err << "daxwel: " << QString::fromStdString(saved.problem) << "\n";
      err.flush();
    } else if (saved.found) {
      hooks.adapter = saved.choice;
    } else if (const std::string& problem = daxwel::ShippedAdapters().problem; !problem.empty()) {
      // No default either: the window waits for a file of the user's.
      hooks.adapterProblem = problem;
      err << "daxwel: " << QString::fromStdString(problem) << "\n";
      err.flush();
    }
  }
  hooks.adapterChanged = [&err, &shown](const daxwel::AdapterChoice& choice) {
    if (const std::string problem = daxwel::SaveAdapter(choice); !problem.empty()) {
      err << "daxwel: " << QString::fromStdString(problem) << "\n";
      err.flush();
      if (shown != nullptr) shown->Message("Error", problem);
    }
  };
  hooks.adapterInUse = [&simulated](const daxwel::AdapterChoice& choice) {
    if (simulated) simulated->Adapter().SetWiring(choice.wiring);
  };
  if (options.sim) {
    options.sim->wiring = hooks.adapter.wiring;
    simulated = std::make_unique<daxwel::sim::SimSession>(*options.sim);
    if (const std::string stateProblem = simulated->LoadState(); !stateProblem.empty()) {
      err << "daxwel: " << QString::fromStdString(stateProblem) << "\n";
      return 2;
    }
    pacer = &simulated->GetPacer();
    // The simulated adapter answers at 0x378 only; the other addresses read as empty ports.
    opener = daxwel::PortsOf(simulated->Adapter());
    // A simulated chip's calibration never reaches the user's store of real chips.
    hooks.calibrationFolder = simulated->CalibrationFolder();
  }

  // --trace: every port the window opens is logged; a trace that cannot be written whole is
  // told after the operation, which itself runs to its end.
  const std::string tracePath = options.tracePath.toStdString();
  std::ofstream trace;
  bool traceTold = false;
  if (simulated) {
    // The chip file follows every operation, as it would stay on the bench.
    daxwel::SaveStateAfterEachOperation(hooks, *simulated, err,
                                        [&shown]() -> daxwel::Operator* { return shown; });
  }
  // Once, on standard error and, while the window is there, in a message.
  auto checkTrace = [&] {
    if (traceTold) return;
    if (const std::string problem = daxwel::TraceProblem(trace, tracePath); !problem.empty()) {
      traceTold = true;
      err << "daxwel: " << QString::fromStdString(problem) << "\n";
      err.flush();
      if (shown != nullptr) shown->Message("Error", problem);
    }
  };
  if (!tracePath.empty()) {
    // As the command line: an existing file only with --force, never the state file.
    std::string traceRefused = daxwel::sim::CheckWritable(tracePath, options.force);
    if (options.sim && !options.sim->statePath.empty() &&
        daxwel::sim::SameFile(tracePath, options.sim->statePath)) {
      traceRefused = "--trace: " + tracePath + " es el archivo de estado del simulador";
    }
    if (!traceRefused.empty()) {
      err << "daxwel: " << QString::fromStdString(traceRefused) << "\n";
      return 2;
    }
    trace.open(daxwel::sim::ResolveWriteTarget(tracePath).path, std::ios::out | std::ios::trunc);
    if (!trace) {
      err << "daxwel: No se puede escribir el archivo " << options.tracePath << "\n";
      return 2;
    }
    opener = [inner = std::move(opener), &trace, pacer](std::uint16_t address,
                                                        const daxwel::RestBytes& rest) {
      daxwel::OpenedPort port = inner(address, rest);
      if (port.io) {
        port.io = std::make_unique<daxwel::TracePort>(std::move(port.io), pacer->GetClock(), trace);
      }
      return port;
    };
    hooks.afterOperation = [saveState = std::move(hooks.afterOperation), &checkTrace] {
      if (saveState) saveState();
      checkTrace();
    };
  }

  daxwel::FrmDaxwel window(opener, *pacer, hooks);
  shown = &window;
  if (!options.screenshotDir.isEmpty()) {
    return daxwel::TakeScreenshots(window, options.screenshotDir) ? 0 : 1;
  }
  signalQuit.OnSignal([&window] { window.Exit(); });
  window.show();
  const int status = QApplication::exec();
  shown = nullptr;
  if (!tracePath.empty()) checkTrace();
  return signalQuit.ExitStatus(status);
}
