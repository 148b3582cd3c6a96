#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "sim/sim_session.h"

namespace daxwel {

struct AppOptions {
  // Set by --sim: the simulated adapter instead of the real ports.
  std::optional<sim::SimOptions> sim;
  QString screenshotDir;  // hidden: write the windows as PNG files and leave
  QString tracePath;      // --trace: every port access logged to this file
  bool force = false;     // --force: --trace may replace an existing file
  bool help = false;
  bool version = false;
  QString helpText;
};

// Reads the program's arguments (the first is the program itself). Returns the empty text on
// success, otherwise one line saying what is wrong.
QString ParseAppOptions(const QStringList& arguments, AppOptions& options);

}  // namespace daxwel
