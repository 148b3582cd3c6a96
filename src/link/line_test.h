#pragma once

#include <array>
#include <string>
#include <vector>

#include "link/line_driver.h"
#include "link/wiring.h"

namespace daxwel {

// Where a line reaches the target and what a meter shows there, on and off.
struct TargetSignal {
  Line line;
  std::string where;  // "MCLR: pata 4 del 12F675 (8 patas)"
  std::string onLevel;
  std::string offLevel;
};

// Switches the adapter's output lines one at a time so each can be measured, and reads the
// data input. Every line starts off and is off again when the test ends.
class LineTest {
 public:
  explicit LineTest(Link& link);
  ~LineTest();
  LineTest(const LineTest&) = delete;
  LineTest& operator=(const LineTest&) = delete;

  // The adapter's output lines, in the order of the wiring files' keys.
  std::vector<Line> Outputs() const;
  void Set(Line line, bool on);
  void Toggle(Line line) { Set(line, !IsOn(line)); }
  bool IsOn(Line line) const { return on_[static_cast<std::size_t>(line)]; }
  void AllOff();
  // The data input as the target would drive it (one status read).
  bool DataIn();

  // The chosen part's pins instead of the 40- and 18-pin sockets' (lines it leaves out keep
  // the sockets' text).
  void SetTarget(std::vector<TargetSignal> target) { target_ = std::move(target); }

  // One Spanish line on what to measure for `line` in its present state: the socket pins of
  // the target signal and the voltage expected there, and the connector pin's level.
  std::string Expectation(Line line) const;
  // "Entrada de datos (datai, pata 10 del conector): 1".
  std::string DataInText(bool high) const;

 private:
  void Write();
  Link& link_;
  std::array<bool, kLineCount> on_{};
  std::vector<TargetSignal> target_;
};

}  // namespace daxwel
