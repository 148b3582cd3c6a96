#pragma once

#include <QTextStream>
#include <functional>

#include "sim/sim_session.h"
#include "ui/main_window.h"

namespace daxwel {

// Makes the window keep the simulated chip's state file after every device operation. A save
// that fails is told on `err` and, while `window` answers a window, in a message box after
// the operation's own closing message.
void SaveStateAfterEachOperation(WindowHooks& hooks, sim::SimSession& session, QTextStream& err,
                                 std::function<Operator*()> window);

}  // namespace daxwel
