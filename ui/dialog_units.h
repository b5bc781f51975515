#pragma once
#include <QFont>
#include <QRect>

#include "res/dialog_template.h"

// Dialog units: a quarter of the dialog font's average character width horizontally and an
// eighth of its height vertically, so a template keeps its proportions with any font.
namespace ui {

struct BaseUnits {
  int x = 0;  // average width of A-Z and a-z, in pixels, rounded
  int y = 0;  // font height, in pixels
};

BaseUnits MeasureBaseUnits(const QFont& font);

// The template's font, "MS Shell Dlg" read as DejaVu Sans Condensed (8 pt gives 6 x 13), or,
// when that family is not installed, the application's font family at the template's size.
QFont DialogFont(const res::DialogTemplate& dialog);

// a * b / c rounded half away from zero: the native rounding (res/dialog_template.h).
int MulDiv(int a, int b, int c);

QRect MapDialogRect(int x, int y, int cx, int cy, BaseUnits units);
inline QRect MapDialogRect(const res::ControlTemplate& c, BaseUnits units) {
  return MapDialogRect(c.x, c.y, c.cx, c.cy, units);
}

}  // namespace ui
