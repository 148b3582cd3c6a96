#pragma once

#include <array>
#include <string>
#include <vector>

#include "link/line_driver.h"
#include "link/wiring.h"

namespace daxwel {

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

  // One Spanish line on what to measure for `line` in its present state: the socket pins of
  // the target signal and the voltage expected there, and the connector pin's level.
  std::string Expectation(Line line) const;
  // "Entrada de datos (datai, pata 10 del conector): 1".
  std::string DataInText(bool high) const;

 private:
  void Write();
  Link& link_;
  std::array<bool, kLineCount> on_{};
};

}  // namespace daxwel
