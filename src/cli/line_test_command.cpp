#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>

#include "cli/commands.h"
#include "device/catalogue.h"
#include "device/family.h"
#include "device/operations.h"
#include "link/adapters.h"
#include "link/line_test.h"

namespace daxwel::cli {

namespace {

// One line of standard input; false at its end or when the user interrupts. While it waits,
// `idle` runs every 100 ms (the live data input).
bool ReadCommand(TerminalOperator& op, std::string& line, const std::function<void()>& idle) {
  line.clear();
  for (;;) {
    if (op.AbandonRequested()) return false;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready <= 0) {
      idle();
      continue;
    }
    char c = 0;
    if (::read(STDIN_FILENO, &c, 1) <= 0) return !line.empty();
    if (c == '\n') return true;
    if (c != '\r') line += c;
  }
}

std::string Keys(const LineTest& test) {
  std::string keys;
  for (Line line : test.Outputs()) keys += (keys.empty() ? "" : ", ") + std::string(LineKey(line));
  return keys;
}

// The words a step may be besides a line's key.
bool IsControlWord(std::string_view step) {
  return step == "fin" || step == "q" || step == "apagar";
}

// Answers false when the step ends the test.
bool Step(LineTest& test, const std::string& step, TerminalOperator& op) {
  if (step == "fin" || step == "q") return false;
  if (step == "apagar") {
    test.AllOff();
    op.Output("Todas las líneas apagadas");
  } else if (!step.empty()) {
    bool found = false;
    for (Line line : test.Outputs()) {
      if (LineKey(line) == step) {
        test.Toggle(line);
        op.Output(test.Expectation(line));
        found = true;
      }
    }
    if (!found) op.Output("Línea desconocida: \"" + step + "\" (" + Keys(test) + ")");
  }
  op.Output(test.DataInText(test.DataIn()));
  return true;
}

// " del 12F675 (8 patas)", or a pin our documents do not number said as such.
std::string PinText(const IcspPin& pin, const DeviceModel& model, int packagePins) {
  std::string text = pin.name + ": ";
  text += pin.number > 0 ? "pata " + std::to_string(pin.number) : "pata sin número en la tabla";
  text += " del " + std::string(model.modelName);
  if (packagePins > 0) text += " (" + std::to_string(packagePins) + " patas)";
  return text;
}

// The chosen part's own pins and VPP, so a 12F675 is not measured at a 40-pin socket's.
std::vector<TargetSignal> PartSignals(const DeviceModel& model) {
  std::vector<TargetSignal> signals;
  const int limit = model.family->vppLimitVolts;
  const std::string vpp = limit > 0 ? "unos 13 V en la mayoría de los adaptadores, más que los " +
                                          std::to_string(limit) + " V que admite el " +
                                          std::string(model.modelName)
                                    : "unos 13 V";
  if (model.pins != nullptr) {
    const IcspPins& p = *model.pins;
    signals.push_back({Line::kVpp, PinText(p.vpp, model, p.packagePins), vpp, "0 V"});
    signals.push_back({Line::kClock, PinText(p.clock, model, p.packagePins), "5 V", "0 V"});
    signals.push_back({Line::kDataOut, PinText(p.data, model, p.packagePins), "5 V", "0 V"});
  }
  if (!model.pgm.name.empty()) {
    const int packagePins = model.pins != nullptr ? model.pins->packagePins : 0;
    signals.push_back({Line::kPgm, "PGM, " + PinText(model.pgm, model, packagePins), "5 V", "0 V"});
  } else {
    signals.push_back(
        {Line::kPgm, "el " + std::string(model.modelName) + " no tiene PGM; nada", "0 V", "0 V"});
  }
  return signals;
}

}  // namespace

std::string RunLineTest(const Request& request, Link& link, TerminalOperator& op) {
  LineTest test(link);
  if (const DeviceModel* model = ModelByIndex(request.modelIndex)) {
    test.SetTarget(PartSignals(*model));
  }
  op.Output("Prueba de líneas: todas apagadas. Líneas: " + Keys(test));
  op.Output(
      "Sin PIC en el zócalo, en la mayoría de los adaptadores la entrada de datos sigue a la "
      "salida de datos (datao).");
  if (request.lineSteps.empty()) {
    op.Output(
        "Escriba una línea para encenderla o apagarla (la entrada de datos se muestra al cambiar), "
        "\"apagar\" para apagar todas, \"fin\" para terminar.");
    bool shown = test.DataIn();
    op.Output(test.DataInText(shown));
    // Live: a change of the data input is shown as soon as it happens.
    const auto watch = [&] {
      const bool now = test.DataIn();
      if (now != shown) op.Output(test.DataInText(now));
      shown = now;
    };
    std::string line;
    while (ReadCommand(op, line, watch) && Step(test, line, op)) {
      shown = test.DataIn();
    }
  } else {
    op.Output(test.DataInText(test.DataIn()));
    for (const std::string& step : request.lineSteps) {
      if (op.AbandonRequested() || !Step(test, step, op)) break;
    }
  }
  test.AllOff();
  op.Output("Líneas apagadas");
  return op.AbandonRequested() ? result::kAbandoned : result::kOk;
}

std::string CheckLineSteps(const std::vector<std::string>& steps, const Wiring& wiring) {
  std::string keys;
  std::vector<std::string_view> known;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    if (!wiring.lines[i].Wired()) continue;
    known.push_back(LineKey(static_cast<Line>(i)));
    keys += (keys.empty() ? "" : ", ") + std::string(known.back());
  }
  for (const std::string& step : steps) {
    if (IsControlWord(step) || std::find(known.begin(), known.end(), step) != known.end()) continue;
    return "linetest: línea desconocida \"" + Printable(step) + "\" (este adaptador tiene " + keys +
           "; además apagar y fin)";
  }
  return {};
}

namespace {

std::string ListLine(const AdapterPreset& adapter) {
  std::string line = adapter.name + " " + DescribeWiring(adapter.wiring, adapter.extraHalfPeriodUs);
  std::string about = adapter.title;
  if (!adapter.source.empty()) about += (about.empty() ? "" : "; ") + adapter.source;
  return line + " #" + (about.empty() ? "" : " " + about);
}

}  // namespace

// Each line says where its adapter comes from: the table shipped with the program, or a file
// of the user's, whose name --adapter takes in place of a preset's.
bool ListAdapters(TerminalOperator& op) {
  const AdapterTable& table = ShippedAdapters();
  const std::string shipped = " [incluido: " + Printable(table.file.string()) + "]";
  for (const AdapterPreset& preset : table.presets) {
    std::string line = ListLine(preset) + shipped;
    if (const auto own = UserAdapterFile(preset.name)) {
      line += " (oculto: --adapter " + preset.name + " usa el archivo propio " +
              Printable(own->string()) + ")";
    }
    op.Output(line);
  }
  for (const OwnAdapter& own : UserAdapters()) {
    if (!own.problem.empty()) {
      op.Line(own.problem, true);
      continue;
    }
    op.Output(Printable(ListLine(own.adapter) + " [propio: " + own.path.string() + "]"));
  }
  if (!table.problem.empty()) op.Line(table.problem, true);
  return table.problem.empty();
}

}  // namespace daxwel::cli
