#pragma once
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
// dialog units and shaped by its styles: push buttons (the default one takes Enter), radios
// and check boxes that take clicks on their whole rectangle, radios exclusive within their
// group, group boxes behind the rest and transparent to the mouse, statics, the name box, the
// list view and trackbars. Hidden controls stay hidden. The tab order is the template order of
// the tab stops, and earlier controls lie above later ones where they overlap.
std::vector<BuiltControl> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                        BaseUnits units);

}  // namespace ui
