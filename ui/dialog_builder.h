#pragma once
#include <QIcon>
#include <QWidget>
#include <vector>

#include "res/dialog_template.h"
#include "ui/dialog_units.h"

namespace ui {

// One control made from its template entry. The widget is owned by the dialog (its parent).
struct BuiltControl {
  const res::ControlTemplate* entry;
  QWidget* widget;
};

// The dynamic property that carries a control's id on its widget.
inline constexpr char kControlIdProperty[] = "controlId";

// Creates every control of the template as a child of dialog, in template order, placed by
// dialog units: push buttons, radios and check boxes that take clicks on their whole
// rectangle, group boxes behind the rest and transparent to the mouse, left-aligned statics
// that wrap, the name box, the list view and trackbars. Hidden controls stay hidden. The tab
// order is the template order, and earlier controls lie above later ones where they overlap.
// icon is the image of icon statics.
std::vector<BuiltControl> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                        BaseUnits units, const QIcon& icon);

}  // namespace ui
