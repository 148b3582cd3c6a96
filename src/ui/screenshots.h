#pragma once

#include <QString>

namespace daxwel {

class FrmDaxwel;

// Shows every window of the program and writes each as DIR/<objectName>.png, plus the icon
// (daxwel.png); true when all were written.
bool TakeScreenshots(FrmDaxwel& window, const QString& dir);

}  // namespace daxwel
