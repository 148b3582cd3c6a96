#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/config_option.h"
#include "cli/exit_status.h"
#include "cli/interrupt_watch.h"
#include "cli/lists.h"
#include "cli/options.h"
#include "cli/terminal_operator.h"
#include "device/calibration_store.h"
#include "device/catalogue.h"
#include "device/family.h"
#include "device/operations.h"
#include "device/session.h"
#include "link/adapters.h"
#include "link/clock.h"
#include "link/exit_guard.h"
#include "link/line_driver.h"
#include "link/port_open.h"
#include "link/saved_adapter.h"
#include "link/trace_port.h"
#include "link/user_settings.h"
#include "sim/safe_file.h"
#include "sim/sim_session.h"

namespace daxwel::cli {

namespace {

// Where the port accesses go: the simulated adapter or a real port, maybe through the trace.
struct Backend {
  std::unique_ptr<sim::SimSession> sim;
  std::unique_ptr<SteadyPacer> realPacer;
  OpenedPort real;
  std::ofstream traceFile;
  std::unique_ptr<TracePort> trace;
  std::uint16_t base = 0x378;

  Pacer& GetPacer() { return sim ? sim->GetPacer() : *realPacer; }
  PortIo& Port() {
    if (trace) return *trace;
    if (sim) return sim->Adapter();
    return *real.io;
  }
};

// The adapter given, or else the one saved by the window (said in the first line, so the user
// knows which wiring drives the port), or else the default. A saved one that cannot be read is
// an error: no other wiring stands in for it.
std::string ChooseAdapter(bool given, const std::string& name, AdapterChoice& adapter,
                          std::string& note) {
  if (given) return ResolveAdapter(name, adapter);
  const SavedAdapter saved = LoadSavedAdapter();
  if (!saved.problem.empty()) return saved.problem + " (elija otro con --adapter)";
  if (!saved.found) {
    // The default is the shipped table's first adapter: without the table there is none.
    const std::string& problem = ShippedAdapters().problem;
    if (!problem.empty()) return problem + " (un archivo propio se elige con --adapter)";
    adapter = DefaultAdapter();
    return {};
  }
  adapter = saved.choice;
  note = "Adaptador: " + Printable(adapter.name) + " (el guardado en " +
         Printable(SavedAdapterFile().string()) + ")";
  return {};
}

// program, verify and view from "-": standard input kept in a private file for the run, since
// the operations open their HEX file by name (and read it once).
struct StandardInputCopy {
  std::string folder;
  std::string path;
  std::string problem;
  StandardInputCopy() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/daxwel-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      problem = "No se puede guardar la entrada estándar: " + sim::SystemErrorText(errno);
      return;
    }
    folder = pattern;
    path = folder + "/entrada-estandar.hex";
    std::ofstream out(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(std::cin),
                            std::istreambuf_iterator<char>()};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (std::cin.bad() || out.fail()) problem = "No se puede leer la entrada estándar";
  }
  ~StandardInputCopy() {
    if (!path.empty()) std::remove(path.c_str());
    if (!folder.empty()) ::rmdir(folder.c_str());
  }
  StandardInputCopy(const StandardInputCopy&) = delete;
  StandardInputCopy& operator=(const StandardInputCopy&) = delete;
};

int Finish(TerminalOperator& op, std::string_view result, int status) {
  op.Output("Resultado: " + (result.empty() ? std::string("-") : std::string(result)));
  return status;
}

// --osccal and --bandgap act only where a calibration can be lost or compared: program, erase
// and verify, on a part whose family keeps one (any part when the model is detected).
std::string FactoryValueProblem(const Request& request) {
  const bool acts = request.command == Command::Program || request.command == Command::Erase ||
                    request.command == Command::Verify;
  if (!acts) return "--osccal: solo sirve con program, erase o verify";
  const DeviceModel* chosen = ModelByIndex(request.modelIndex);
  if (chosen != nullptr && chosen->family->preserved.empty()) {
    return "--osccal: el " + std::string(chosen->modelName) + " no tiene calibración de fábrica";
  }
  return {};
}

// The parts file the command line names, taken before the help lists the models; then the
// parts table must read whole, or nothing runs but the help: a part half described could be
// driven wrong. Answers the exit status to end with, or 0 to go on.
int TakePartsFile(int argc, char** argv) {
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--parts" && i + 1 < argc) SetExtraPartsFile(argv[i + 1]);
    if (arg.rfind("--parts=", 0) == 0) SetExtraPartsFile(std::string(arg.substr(8)));
    help = help || arg == "-h" || arg == "--help" || arg == "--version" || arg == "-v";
  }
  if (CatalogueProblem().empty() || help) return 0;
  std::fprintf(stderr, "daxwel-cli: %s\n", Printable(CatalogueProblem()).c_str());
  return exit_status::kFileFailure;
}

// Where each default of the run came from, for `config` and the adapter's first line.
struct Origins {
  std::string port = kNotSet;
  std::string model = kNotSet;
  std::string adapter = kNotSet;
  std::string delay = kNotSet;
  static constexpr const char* kNotSet = "por omisión";
};

// A value the command line leaves out: the environment's, then the settings file's. A value
// from either that cannot be used is an error naming where it came from, never skipped.
std::optional<int> TakeDefaults(Options& o, Origins& origins) {
  const SettingsText file = LoadSettings();
  const auto take = [&](Setting setting, bool given, std::string& value, std::string& origin) {
    if (given) {
      origin = "línea de órdenes";
      return true;
    }
    const DefaultValue found = FindDefault(setting, file);
    if (found.origin.empty()) return true;
    value = found.value;
    origin = found.origin;
    return false;
  };
  if (!take(Setting::Port, o.portGiven, o.port, origins.port) && !ParsePortRequest(o.port)) {
    return UsageError(origins.port + ": puerto no válido \"" + o.port + "\"");
  }
  if (!take(Setting::Model, o.modelGiven, o.model, origins.model) && !ModelIndexByName(o.model)) {
    return UsageError(origins.model + ": modelo desconocido \"" + o.model + "\"");
  }
  // The adapter and its delay from the file are the saved adapter's (LoadSavedAdapter); only
  // the environment's are taken here.
  if (const DefaultValue env = FindDefault(Setting::Adapter, {}); !o.adapterGiven) {
    if (!env.origin.empty()) {
      o.adapter = env.value;
      o.adapterGiven = true;
      origins.adapter = env.origin;
    }
  } else {
    origins.adapter = "línea de órdenes";
  }
  if (const DefaultValue env = FindDefault(Setting::AdapterDelay, {}); !o.adapterDelay) {
    if (!env.origin.empty()) {
      int us = -1;
      const auto [end, ec] =
          std::from_chars(env.value.data(), env.value.data() + env.value.size(), us);
      if (ec != std::errc() || end != env.value.data() + env.value.size()) {
        return UsageError(env.origin + ": se esperan microsegundos, de 0 a " +
                          std::to_string(kMaxExtraHalfPeriodUs));
      }
      o.adapterDelay = us;
      origins.delay = env.origin;
    }
  } else {
    origins.delay = "línea de órdenes";
  }
  return std::nullopt;
}

// `config`: each default the run would start from, and where it comes from.
int ShowSettings(Options o) {
  Origins origins;
  if (const auto ended = TakeDefaults(o, origins)) return *ended;
  // Said before anything, as a run would: the adapter a variable names must exist.
  AdapterChoice chosen;
  if (o.adapterGiven) {
    if (std::string problem = ResolveAdapter(o.adapter, chosen); !problem.empty()) {
      std::fprintf(stderr, "%s: %s\n", origins.adapter.c_str(), problem.c_str());
      return exit_status::kFileFailure;
    }
  }
  std::string adapter = o.adapter;
  std::string delay = o.adapterDelay ? std::to_string(*o.adapterDelay) : "0";
  if (!o.adapterGiven) {
    const SavedAdapter saved = LoadSavedAdapter();
    if (!saved.problem.empty()) {
      std::fprintf(stderr, "%s\n", saved.problem.c_str());
      return exit_status::kFileFailure;
    }
    const SettingsText file = LoadSettings();
    if (saved.found) {
      adapter = saved.choice.name;
      origins.adapter = FindDefault(Setting::Adapter, file).origin;
      if (!o.adapterDelay) {
        delay = std::to_string(saved.choice.extraHalfPeriod.count());
        if (const DefaultValue d = FindDefault(Setting::AdapterDelay, file); !d.origin.empty()) {
          origins.delay = d.origin;
        }
      }
    } else {
      adapter = ShippedAdapters().problem.empty() ? DefaultAdapter().name : "-";
    }
  }
  const std::pair<Setting, std::pair<std::string, std::string>> rows[] = {
      {Setting::Port, {o.port, origins.port}},
      {Setting::Model, {o.model, origins.model}},
      {Setting::Adapter, {adapter, origins.adapter}},
      {Setting::AdapterDelay, {delay, origins.delay}}};
  std::printf("Archivo de ajustes: %s\n", Printable(SettingsFile().string()).c_str());
  for (const auto& [setting, row] : rows) {
    const SettingName& name = NameOf(setting);
    std::printf("%-10s %-14s (%s; variable %s)\n", (std::string(name.label) + ":").c_str(),
                Printable(row.first).c_str(), Printable(row.second).c_str(),
                std::string(name.variable).c_str());
  }
  return exit_status::kOk;
}

// The commands that never reach the port.
int RunListing(CommandLine line) {
  Request request = line.request;
  switch (line.listing) {
    case Listing::Parts: {
      const std::optional<std::string> listing = PartsListing(line.partsFormat);
      if (!listing) return UsageError("--format: valor no válido \"" + line.partsFormat + "\"");
      std::fputs(listing->c_str(), stdout);
      return exit_status::kOk;
    }
    case Listing::Ports:
      std::fputs(PortsListing().c_str(), stdout);
      return exit_status::kOk;
    case Listing::Adapters: {
      TerminalOperator lister({}, request.config, [] { return false; });
      return ListAdapters(lister) ? exit_status::kOk : exit_status::kFileFailure;
    }
    case Listing::Settings:
      return ShowSettings(line.options);
    case Listing::View:
    case Listing::None:
      break;
  }
  Origins origins;
  if (const auto ended = TakeDefaults(line.options, origins)) return *ended;
  if (const auto model = ModelIndexByName(line.options.model))
    request.modelIndex = *model;
  else
    return UsageError("--model: modelo desconocido \"" + line.options.model + "\"");
  TerminalOperator viewer(
      {}, request.config, [] { return false; }, stderr);
  const std::string result = ViewFile(request, viewer);
  return Finish(viewer, result, ExitStatusForResult(result));
}

// What a run on the port takes beyond the words: the adapter, the values given by hand, the
// port and the simulator.
struct PortRun {
  AdapterChoice adapter;
  std::string adapterNote;
  // The values --osccal and --bandgap give, by the name their family gives them.
  std::map<std::string, std::uint16_t, std::less<>> factoryValues;
  PortRequest port;
  sim::SimOptions simOptions;
};

// The adapter and its delay. nullopt to go on; otherwise the exit status.
std::optional<int> PrepareAdapter(const Options& o, const Origins& origins, PortRun& run) {
  if (o.adapterGiven && o.adapter.empty()) {
    return UsageError("--adapter: falta el nombre del adaptador");
  }
  const bool fromCommandLine = origins.adapter == "línea de órdenes";
  if (std::string problem = ChooseAdapter(o.adapterGiven, o.adapter, run.adapter, run.adapterNote);
      !problem.empty()) {
    if (o.adapterGiven && !fromCommandLine) problem = origins.adapter + ": " + problem;
    std::fprintf(stderr, "%s\n", problem.c_str());
    return exit_status::kFileFailure;
  }
  // Not the command line's choice: the first line names it and where it came from.
  if (o.adapterGiven && !fromCommandLine) {
    run.adapterNote = "Adaptador: " + Printable(run.adapter.name) + " (de " + origins.adapter + ")";
  }
  if (o.adapterDelay) {
    if (*o.adapterDelay < 0 || *o.adapterDelay > kMaxExtraHalfPeriodUs) {
      return UsageError(
          (origins.delay == "línea de órdenes" ? std::string("--adapter-delay") : origins.delay) +
          ": se esperan microsegundos, de 0 a " + std::to_string(kMaxExtraHalfPeriodUs));
    }
    run.adapter.extraHalfPeriod = std::chrono::microseconds(*o.adapterDelay);
  }
  return std::nullopt;
}

// The factory value a hand-given option writes, as the families declare it; nullptr when no
// family takes it.
const PreservedBits* PreservedByOption(std::string_view option) {
  for (const DeviceModel& model : Catalogue()) {
    for (const PreservedBits& p : model.family->preserved) {
      if (p.option == option) return &p;
    }
  }
  return nullptr;
}

// "0, 1, 2 o 3": the values a field of bits takes.
std::string FieldValues(const PreservedBits& p) {
  const int last = p.Field(p.mask);
  std::string text;
  for (int v = 0; v <= last; ++v) {
    text += std::to_string(v) + (v + 1 == last ? " o " : v < last ? ", " : "");
  }
  return text;
}

// --osccal and --bandgap, checked against the shape their family declares; the model and the
// command they go with are checked later.
std::optional<int> PrepareFactoryValues(const Options& o, PortRun& run) {
  const PreservedBits* word = PreservedByOption("osccal");
  if (o.osccalGiven && word != nullptr) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(o.osccal.c_str(), &end, 16);
    const bool hex =
        o.osccal.size() > 2 && (o.osccal.rfind("0x", 0) == 0 || o.osccal.rfind("0X", 0) == 0);
    if (!hex || *end != '\0' || value > word->mask ||
        !word->Plausible(static_cast<std::uint16_t>(value))) {
      const auto high =
          static_cast<std::uint16_t>(word->checkValue | (word->mask & ~word->checkMask));
      return UsageError("--osccal: se espera la instrucción RETLW de la calibración, de 0x" +
                        detail::AddressText(word->checkValue) + " a 0x" +
                        detail::AddressText(high) + " (la que muestra info o la etiqueta del PIC)");
    }
    run.factoryValues[std::string(word->name)] = static_cast<std::uint16_t>(value);
  }
  const PreservedBits* bits = PreservedByOption("bandgap");
  if (o.bandGap && bits != nullptr) {
    if (!o.osccalGiven) return UsageError("--bandgap: se da junto con --osccal");
    if (*o.bandGap < 0 || *o.bandGap > bits->Field(bits->mask)) {
      return UsageError("--bandgap: se espera " + FieldValues(*bits));
    }
    run.factoryValues[std::string(bits->name)] = static_cast<std::uint16_t>(*o.bandGap);
  }
  return std::nullopt;
}

// The trace never overwrites what the run reads or keeps.
std::string TraceClash(const Options& o, const Request& request, const sim::SimOptions& sim) {
  if (o.trace.empty()) return {};
  if (!request.file.empty() && request.command != Command::Read &&
      sim::SameFile(o.trace, request.file)) {
    return "--trace: " + o.trace + " es el archivo HEX del comando";
  }
  if (!request.file.empty() && request.command == Command::Read &&
      sim::SameFile(o.trace, request.file)) {
    return "--trace: " + o.trace + " es el archivo que escribe read";
  }
  if (!sim.statePath.empty() && sim::SameFile(o.trace, sim.statePath)) {
    return "--trace: " + o.trace + " es el archivo de estado del simulador";
  }
  return {};
}

// The model, the configuration, the line test's steps, the port and the simulator, checked
// before anything is opened. nullopt to go on; otherwise the exit status.
std::optional<int> PrepareRequest(const Options& o, Request& request, PortRun& run) {
  const auto model = ModelIndexByName(o.model);
  if (!model) return UsageError("--model: modelo desconocido \"" + o.model + "\"");
  request.modelIndex = *model;
  if (!run.factoryValues.empty()) {
    if (std::string problem = FactoryValueProblem(request); !problem.empty()) {
      return UsageError(problem);
    }
  }
  if (std::string problem = ParseConfigOption(o.config, request.config); !problem.empty())
    return UsageError(problem);
  if (std::string problem = CheckOnly(request); !problem.empty()) return UsageError(problem);
  if (std::string problem = CheckConfigWordCount(request.config, request.modelIndex);
      !problem.empty()) {
    return UsageError(problem);
  }
  if (request.command == Command::LineTest) {
    if (std::string problem = CheckLineSteps(request.lineSteps, run.adapter.wiring);
        !problem.empty())
      return UsageError(problem);
  }
  const auto port = ParsePortRequest(o.port);
  if (!port) {
    return UsageError(
        "--port: se espera una dirección (0x378 en hexadecimal, 888 en decimal) o un "
        "dispositivo (/dev/parport1)");
  }
  run.port = *port;
  run.simOptions.wiring = run.adapter.wiring;
  if (!o.sim.empty()) {
    if (!port->device.empty()) {
      return UsageError("--port: el simulador solo responde en una dirección");
    }
    if (std::string problem = sim::ParseSimOptions(o.sim, o.simTime, o.simFaults, run.simOptions);
        !problem.empty()) {
      return UsageError(problem);
    }
  }
  if (std::string problem = TraceClash(o, request, run.simOptions); !problem.empty()) {
    return UsageError(problem);
  }
  return std::nullopt;
}

TerminalOperator::Settings OperatorSettings(const Options& o, const Request& request,
                                            const PortRun& run) {
  TerminalOperator::Settings settings;
  settings.yes = o.yes;
  settings.quiet = o.quiet;
  // With the data on standard output, everything else goes to standard error.
  settings.progressLine = !DataOnStandardOutput(request) && ::isatty(STDOUT_FILENO) != 0;
  settings.askOnTerminal = ::isatty(STDIN_FILENO) != 0;
  settings.factoryValues = run.factoryValues;
  settings.calibrationFolder = DefaultCalibrationFolder();
  settings.force = o.force || request.force;
  settings.scope = ScopeOf(request.only);
  return settings;
}

// The simulated adapter or the real port, and the trace over either. nullopt to go on;
// otherwise the result text to end with (told already).
std::optional<std::string> OpenBackend(const Options& o, const PortRun& run, TerminalOperator& op,
                                       Backend& backend) {
  if (!o.sim.empty()) {
    backend.sim = std::make_unique<sim::SimSession>(run.simOptions);
    if (std::string problem = backend.sim->LoadState(); !problem.empty()) {
      op.Message("Error", problem);
      return kFileError;
    }
    backend.base = run.port.device.empty() ? run.port.address : 0x378;
    // A simulated chip's calibration never reaches the user's store of real chips.
    op.SetCalibrationFolder(backend.sim->CalibrationFolder());
  } else {
    backend.realPacer = std::make_unique<SteadyPacer>();
    PortEnvironment environment;
    environment.rest = run.adapter.wiring.Rest();
    backend.real = OpenPort(run.port, environment);
    if (!backend.real.IsOpen()) op.Line(backend.real.problem, true);
    backend.base = backend.real.base;
  }
  if (o.trace.empty()) return std::nullopt;
  // read's rule: an existing file only with --force; a link leads to its target.
  if (std::string problem = sim::CheckWritable(o.trace, o.force); !problem.empty()) {
    op.Message("Error", problem);
    return kFileError;
  }
  backend.traceFile.open(sim::ResolveWriteTarget(o.trace).path, std::ios::out | std::ios::trunc);
  if (!backend.traceFile) {
    op.Message("Error", "No se puede escribir el archivo " + o.trace);
    return kFileError;
  }
  PortIo& inner = backend.sim ? static_cast<PortIo&>(backend.sim->Adapter()) : *backend.real.io;
  backend.trace =
      std::make_unique<TracePort>(inner, backend.GetPacer().GetClock(), backend.traceFile);
  return std::nullopt;
}

// Lines off first, as the window does at start-up; then one presence test, and the command.
// A port that fails on its first access (a card pulled out) is no adapter either.
std::string RunOnLink(const Request& request, Link& link, TerminalOperator& op) {
  bool present = false;
  try {
    LinesOff(link);
    present = AdapterPresent(link);
  } catch (const std::exception& e) {
    op.Line(e.what(), true);
  }
  // The line test is for adapters that misbehave, the presence test included.
  if (!present && request.command != Command::LineTest) {
    op.Line("Hardware no detectado !!!!", true);
    return result::kNone;
  }
  return RunCommand(request, link, op);
}

// The exit status once the result is known: the file's failure, the simulator's state and
// the trace that could not be kept, the signal, and the simulator's report and violations.
int FinalStatus(const Options& o, const Request& request, const std::string& result,
                bool signalledBeforeResult, Backend& backend, TerminalOperator& op) {
  // A broken file is the file's fault whatever word its operation ends with.
  int status = op.HadFileFailure() ? exit_status::kFileFailure : ExitStatusForResult(result);
  if (backend.sim) {
    if (std::string problem = backend.sim->SaveState(); !problem.empty()) {
      op.Message("Error", problem);
      if (status == exit_status::kOk) status = exit_status::kFileFailure;
    }
  }
  // Checked only now: a trace that fails half-way never stops the operation.
  if (backend.trace) {
    if (std::string problem = TraceProblem(backend.traceFile, o.trace); !problem.empty()) {
      op.Message("Error", problem);
      if (status == exit_status::kOk) status = exit_status::kFileFailure;
    }
  }
  status = StatusAfterSignal(status, result, signalledBeforeResult);
  if (backend.sim && o.simReport) {
    for (const std::string& line : op.Reports()) op.Line(line, true);
    op.Line(sim::CostReport(backend.sim->Adapter().Stats()), true);
  }
  // Lines switched one by one break the protocol's rules on purpose.
  if (backend.sim && request.command != Command::LineTest &&
      !backend.sim->Adapter().Violations().empty()) {
    for (const std::string& v : backend.sim->Adapter().Violations()) {
      op.Line("Simulador: violación del protocolo: " + v, true);
    }
    status = exit_status::kViolations;
  }
  return status;
}

int Main(int argc, char** argv, const InterruptWatch& watch) {
  CommandLine line;
  if (const std::optional<int> ended = ParseCommandLine(argc, argv, line)) return *ended;
  const Options& o = line.options;
  Request& request = line.request;
  std::optional<StandardInputCopy> input;
  if (line.readsFile && request.file == kStandardStream) {
    input.emplace();
    if (!input->problem.empty()) {
      std::fprintf(stderr, "%s\nResultado: %s\n", input->problem.c_str(), kFileError);
      return exit_status::kFileFailure;
    }
    request.file = input->path;
  }
  if (line.listing != Listing::None) return RunListing(line);

  PortRun run;
  Origins origins;
  if (const auto ended = TakeDefaults(line.options, origins)) return *ended;
  if (const auto ended = PrepareAdapter(o, origins, run)) return *ended;
  if (const auto ended = PrepareFactoryValues(o, run)) return *ended;
  if (const auto ended = PrepareRequest(o, request, run)) return *ended;

  const bool dataOut = DataOnStandardOutput(request);
  TerminalOperator op(
      OperatorSettings(o, request, run), request.config, [&watch] { return watch.Requested(); },
      dataOut ? stderr : stdout);
  if (!run.adapterNote.empty()) op.Line(run.adapterNote);
  if (std::string result = CheckFiles(request, op); !result.empty()) {
    return Finish(op, result, ExitStatusForResult(result));
  }
  Backend backend;
  if (const auto failed = OpenBackend(o, run, op, backend)) {
    return Finish(op, *failed, exit_status::kFileFailure);
  }

  Link link(backend.Port(), backend.GetPacer(), backend.base, run.adapter.wiring);
  link.SetExtraHalfPeriod(run.adapter.extraHalfPeriod);
  std::string result = RunOnLink(request, link, op);
  // The result is decided: a signal from here on no longer stands for the run.
  const bool signalledBeforeResult = watch.Requested();
  // Ctrl-C at a question (the confirmation, the 12 V one) ends the operation as Ctrl-C anywhere
  // else does; "nothing done" would hide that the user stopped it.
  if (signalledBeforeResult && result == result::kNone && request.command != Command::Run) {
    result = result::kAbandoned;
  }
  return Finish(op, result, FinalStatus(o, request, result, signalledBeforeResult, backend, op));
}

}  // namespace

}  // namespace daxwel::cli

int main(int argc, char** argv) {
  daxwel::sim::ReserveStandardStreams();
  // Output piped into a reader that quits early (`| head`) must not kill a run half-way, with
  // VPP still on and the simulated chip unsaved: the writes just fail and the run goes on.
  std::signal(SIGPIPE, SIG_IGN);
  // Lines to 0 on any way out with a real port; SIGINT and SIGTERM are then taken over by the
  // watch, which lets the running operation stop at its next yield point instead.
  daxwel::InstallExitGuard();
  daxwel::cli::InterruptWatch watch;
  if (const int status = daxwel::cli::TakePartsFile(argc, argv); status != 0) return status;
  return daxwel::cli::Main(argc, argv, watch);
}
