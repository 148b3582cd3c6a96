#pragma once

#include <QImage>

namespace daxwel {

// The maker's 118 x 70 logo shown in both corners of the main window.
QImage DrawLogo();
// The program's square icon, `side` pixels wide.
QImage DrawIcon(int side);

}  // namespace daxwel
