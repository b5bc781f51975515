#include "ui/about_dlg.h"

#include <QAbstractButton>

#include "res/app_icon.h"
#include "res/dialog_template.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  const res::DialogTemplate& dialogTemplate = res::AboutDialogTemplate();
  setFont(ui::DialogFont(dialogTemplate));
  m_baseUnits = ui::MeasureBaseUnits(font());
  m_controls = ui::BuildControls(*this, dialogTemplate, m_baseUnits, res::LoadAppIcon());
  setWindowTitle(QString::fromUtf8(dialogTemplate.caption.data(),
                                   static_cast<qsizetype>(dialogTemplate.caption.size())));
  setWindowIcon(res::LoadAppIcon());
  // Closing the box must never end the application, even while the main window is hidden.
  setAttribute(Qt::WA_QuitOnClose, false);

  const QRect frame = ui::MapDialogRect(dialogTemplate.x, dialogTemplate.y, dialogTemplate.cx,
                                        dialogTemplate.cy, m_baseUnits);
  setFixedSize(frame.size());
  move(parent != nullptr ? parent->mapToGlobal(frame.topLeft()) : frame.topLeft());

  if (auto* ok = qobject_cast<QAbstractButton*>(GetDlgItem(IDOK))) {
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
  }
}

CAboutDlg::~CAboutDlg() = default;

QWidget* CAboutDlg::GetDlgItem(int id) const {
  for (const ui::BuiltControl& control : m_controls) {
    if (control.entry->id == id) {
      return control.widget;
    }
  }
  return nullptr;
}
