#include "ui/template_dialog.h"

#include <QAbstractButton>
#include <QLabel>

namespace ui {

Qt::WindowFlags WindowFlagsFor(const res::DialogTemplate& t) {
  // A window with a taskbar button, or a dialog over its parent with only the frame it names.
  Qt::WindowFlags flags =
      t.Has(res::kAppWindow) ? Qt::Window : Qt::Dialog | Qt::CustomizeWindowHint;
  if (t.Has(res::kCaption)) {
    flags |= Qt::WindowTitleHint;
  }
  if (t.Has(res::kSysMenu)) {
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if (t.Has(res::kMinimizeBox)) {
    flags |= Qt::WindowMinimizeButtonHint;
  }
  if (t.Has(res::kMaximizeBox)) {
    flags |= Qt::WindowMaximizeButtonHint;
  }
  return flags;
}

CTemplateDialog::CTemplateDialog(const res::DialogTemplate& t, QWidget* parent)
    : QDialog(parent, WindowFlagsFor(t)) {
  setFont(DialogFont(t));
  m_baseUnits = MeasureBaseUnits(font());
  m_controls = BuildControls(*this, t, m_baseUnits);
  setWindowTitle(QString::fromUtf8(t.caption.data(), static_cast<qsizetype>(t.caption.size())));
  const QRect frame = MapDialogRect(t.x, t.y, t.cx, t.cy, m_baseUnits);
  if (t.Has(res::kModalFrame)) {
    setFixedSize(frame.size());
  } else {
    resize(frame.size());
  }
  move(parent != nullptr ? parent->mapToGlobal(frame.topLeft()) : frame.topLeft());
}

QWidget* CTemplateDialog::GetDlgItem(int id) const {
  for (const BuiltControl& control : m_controls) {
    if (control.entry->id == id) {
      return control.widget;
    }
  }
  return nullptr;
}

QString CTemplateDialog::GetDlgItemText(int id) const {
  QWidget* widget = GetDlgItem(id);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    return label->text();
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    return button->text();
  }
  return {};
}

void CTemplateDialog::SetDlgItemText(int id, const QString& text) {
  QWidget* widget = GetDlgItem(id);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  }
}

}  // namespace ui
