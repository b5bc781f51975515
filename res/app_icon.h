#pragma once
#include <QIcon>

namespace res {

// Icon IDR_MAINFRAME: 32 x 32 and 16 x 16 images, 16 colours, compiled into the program.
QIcon LoadAppIcon();
// The icon a template's icon static names; a null icon for an id the program lacks.
QIcon LoadIconResource(int id);

}  // namespace res
