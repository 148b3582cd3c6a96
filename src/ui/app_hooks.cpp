#include "ui/app_hooks.h"

#include <string>
#include <utility>

namespace daxwel {

void SaveStateAfterEachOperation(WindowHooks& hooks, sim::SimSession& session, QTextStream& err,
                                 std::function<Operator*()> window) {
  hooks.afterOperation = [before = std::move(hooks.afterOperation), &session, &err,
                          window = std::move(window)] {
    if (before) before();
    const std::string problem = session.SaveState();
    if (problem.empty()) return;
    err << "daxwel: " << QString::fromStdString(problem) << "\n";
    err.flush();
    if (Operator* shown = window()) shown->Message("Error", problem);
  };
}

}  // namespace daxwel
