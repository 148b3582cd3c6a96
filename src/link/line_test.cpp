#include "link/line_test.h"

#include <algorithm>
#include <span>

#include "link/adapters.h"

namespace daxwel {

namespace {

// Where the signal reaches a PIC in a 40-pin (16F87X) and an 18-pin (16F84, 16F62X) socket,
// and what a meter shows there when the line is on and off.
const TargetSignal kSocket[] = {
    {Line::kVpp, "MCLR: pata 1 (40 patas) o 4 (18 patas)", "unos 13 V", "0 V"},
    {Line::kVdd, "VDD: patas 11 y 32 (40 patas) o 14 (18 patas)", "5 V", "0 V"},
    {Line::kClock, "RB6: pata 39 (40 patas) o 12 (18 patas)", "5 V", "0 V"},
    {Line::kDataOut, "RB7: pata 40 (40 patas) o 13 (18 patas)", "5 V", "0 V"},
    {Line::kPgm, "PGM: RB3, pata 36 (40 patas), o RB4, pata 10 (18 patas)", "5 V", "0 V"},
};

}  // namespace

LineTest::LineTest(Link& link) : link_(link) { Write(); }

LineTest::~LineTest() {
  try {
    LinesOff(link_);
  } catch (...) {
    // The port is gone; nothing is left to drive.
  }
}

std::vector<Line> LineTest::Outputs() const {
  std::vector<Line> lines;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    if (link_.GetWiring().lines[i].Wired()) lines.push_back(static_cast<Line>(i));
  }
  return lines;
}

void LineTest::Set(Line line, bool on) {
  on_[static_cast<std::size_t>(line)] = on;
  Write();
}

void LineTest::AllOff() {
  on_ = {};
  Write();
}

void LineTest::Write() { link_.WriteBytes(link_.GetWiring().BytesFor(on_)); }

bool LineTest::DataIn() { return link_.GetWiring().DataInHigh(link_.Io().PortIn(link_.InPort())); }

std::string LineTest::Expectation(Line line) const {
  const Wiring& wiring = link_.GetWiring();
  const Pin& pin = wiring[line];
  const bool on = IsOn(line);
  std::string text = std::string(LineKey(line)) + (on ? " encendida" : " apagada");
  const auto chosen = [&](const TargetSignal& s) { return s.line == line; };
  const bool own = std::any_of(target_.begin(), target_.end(), chosen);
  for (const TargetSignal& s : own ? std::span<const TargetSignal>(target_) : kSocket) {
    if (chosen(s)) text += ": " + s.where + " debe medir " + (on ? s.onLevel : s.offLevel) + ";";
  }
  const bool high = on != pin.inverted;
  text += " pata " + std::to_string(pin.number) +
          " del conector: " + (high ? "alta (5 V)" : "baja (0 V)");
  return text;
}

std::string LineTest::DataInText(bool high) const {
  const Pin& pin = link_.GetWiring().dataIn;
  return "Entrada de datos (datai, pata " + std::to_string(pin.number) +
         " del conector): " + (high ? "1" : "0");
}

}  // namespace daxwel
