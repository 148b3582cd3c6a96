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

// One line on standard error, at once: the window may stay open long after.
void Tell(QTextStream& err, const std::string& problem) {
  err << "daxwel: " << QString::fromStdString(problem) << "\n";
  err.flush();
}

// The adapter chosen last time, the one the command line uses too. One that cannot be read
// is said, and the window waits for a choice rather than drive another wiring.
void LoadAdapterChoice(daxwel::WindowHooks& hooks, QTextStream& err) {
  const daxwel::SavedAdapter saved = daxwel::LoadSavedAdapter();
  std::string problem = saved.problem;
  if (problem.empty() && saved.found) {
    hooks.adapter = saved.choice;
    return;
  }
  // No default either: the window waits for a file of the user's.
  if (problem.empty()) problem = daxwel::ShippedAdapters().problem;
  if (problem.empty()) return;
  hooks.adapterProblem = problem;
  Tell(err, problem);
}

// What the window drives: the real ports in real time, or the simulated adapter.
struct Bench {
  std::unique_ptr<daxwel::sim::SimSession> simulated;
  daxwel::SteadyPacer realTime;
  daxwel::Pacer* pacer = &realTime;
  daxwel::PortOpener opener = daxwel::RealPorts();

  // Empty, or why the simulated chip cannot start.
  std::string Simulate(daxwel::sim::SimOptions& options, daxwel::WindowHooks& hooks) {
    options.wiring = hooks.adapter.wiring;
    simulated = std::make_unique<daxwel::sim::SimSession>(options);
    if (std::string problem = simulated->LoadState(); !problem.empty()) return problem;
    pacer = &simulated->GetPacer();
    // The simulated adapter answers at 0x378 only; the other addresses read as empty ports.
    opener = daxwel::PortsOf(simulated->Adapter());
    // A simulated chip's calibration never reaches the user's store of real chips.
    hooks.calibrationFolder = simulated->CalibrationFolder();
    return {};
  }
};

// --trace: every port the window opens is logged; a trace that cannot be written whole is
// told after the operation, which itself runs to its end.
struct Trace {
  std::string path;
  std::ofstream file;
  bool told = false;

  // Empty, or why the file cannot be the trace. As the command line: an existing file only
  // with --force, never the state file.
  std::string Open(const daxwel::AppOptions& options) {
    std::string refused = daxwel::sim::CheckWritable(path, options.force);
    if (options.sim && !options.sim->statePath.empty() &&
        daxwel::sim::SameFile(path, options.sim->statePath)) {
      refused = "--trace: " + path + " es el archivo de estado del simulador";
    }
    if (!refused.empty()) return refused;
    file.open(daxwel::sim::ResolveWriteTarget(path).path, std::ios::out | std::ios::trunc);
    return file ? std::string() : "No se puede escribir el archivo " + path;
  }

  // Once, on standard error and, while the window is there, in a message.
  void Check(QTextStream& err, daxwel::FrmDaxwel* shown) {
    if (told) return;
    if (const std::string problem = daxwel::TraceProblem(file, path); !problem.empty()) {
      told = true;
      Tell(err, problem);
      if (shown != nullptr) shown->Message("Error", problem);
    }
  }
};

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

  Bench bench;
  daxwel::WindowHooks hooks;
  daxwel::FrmDaxwel* shown = nullptr;
  if (options.screenshotDir.isEmpty()) LoadAdapterChoice(hooks, err);
  if (options.sim) {
    if (const std::string problem = bench.Simulate(*options.sim, hooks); !problem.empty()) {
      Tell(err, problem);
      return 2;
    }
  }
  hooks.adapterChanged = [&err, &shown](const daxwel::AdapterChoice& choice) {
    if (const std::string problem = daxwel::SaveAdapter(choice); !problem.empty()) {
      Tell(err, problem);
      if (shown != nullptr) shown->Message("Error", problem);
    }
  };
  hooks.adapterInUse = [&bench](const daxwel::AdapterChoice& choice) {
    if (bench.simulated) bench.simulated->Adapter().SetWiring(choice.wiring);
  };
  if (bench.simulated) {
    // The chip file follows every operation, as it would stay on the bench.
    daxwel::SaveStateAfterEachOperation(hooks, *bench.simulated, err,
                                        [&shown]() -> daxwel::Operator* { return shown; });
  }
  Trace trace;
  trace.path = options.tracePath.toStdString();
  if (!trace.path.empty()) {
    if (const std::string problem = trace.Open(options); !problem.empty()) {
      Tell(err, problem);
      return 2;
    }
    bench.opener = [inner = std::move(bench.opener), &trace, pacer = bench.pacer](
                       std::uint16_t address, const daxwel::RestBytes& rest) {
      daxwel::OpenedPort port = inner(address, rest);
      if (port.io) {
        port.io =
            std::make_unique<daxwel::TracePort>(std::move(port.io), pacer->GetClock(), trace.file);
      }
      return port;
    };
    hooks.afterOperation = [saveState = std::move(hooks.afterOperation), &trace, &err, &shown] {
      if (saveState) saveState();
      trace.Check(err, shown);
    };
  }

  daxwel::FrmDaxwel window(bench.opener, *bench.pacer, hooks);
  shown = &window;
  if (!options.screenshotDir.isEmpty()) {
    return daxwel::TakeScreenshots(window, options.screenshotDir) ? 0 : 1;
  }
  signalQuit.OnSignal([&window] { window.Exit(); });
  window.show();
  const int status = QApplication::exec();
  shown = nullptr;
  if (!trace.path.empty()) trace.Check(err, shown);
  return signalQuit.ExitStatus(status);
}
