#pragma once
#include <QIcon>

namespace res {

// Icon IDR_MAINFRAME: 32 x 32 and 16 x 16 images, 16 colours, compiled into the program.
QIcon LoadAppIcon();

}  // namespace res
