#pragma once
#include <QDialog>
#include <vector>

#include "res/dialog_template.h"
#include "ui/dialog_builder.h"
#include "ui/dialog_units.h"

namespace ui {

// A dialog built from a template: its font and dialog units, its controls in template order,
// its caption, its frame (from the template's styles) and its fixed size, placed at the
// template's position in the parent's client area (on the screen when there is no parent).
class CTemplateDialog : public QDialog {
  Q_OBJECT

 public:
  CTemplateDialog(const res::DialogTemplate& dialogTemplate, QWidget* parent);

  // The first control with the id, or null.
  QWidget* GetDlgItem(int id) const;
  // The text of a static or a button; empty for other controls.
  QString GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const QString& text);
  // Every control, in template order.
  const std::vector<BuiltControl>& Controls() const { return m_controls; }
  BaseUnits DialogBaseUnits() const { return m_baseUnits; }

 protected:
  template <typename T>
  T* Control(int id) const {
    return qobject_cast<T*>(GetDlgItem(id));
  }

 private:
  BaseUnits m_baseUnits;
  std::vector<BuiltControl> m_controls;
};

// The window frame a dialog template's styles ask for.
Qt::WindowFlags WindowFlagsFor(const res::DialogTemplate& dialogTemplate);

}  // namespace ui
