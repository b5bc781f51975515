#include "ui/about_dlg.h"

#include <QAbstractButton>

#include "res/app_icon.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CTemplateDialog(res::AboutDialogTemplate(), parent) {
  setWindowIcon(res::LoadAppIcon());
  // Closing the box must never end the application, even while the main window is hidden.
  setAttribute(Qt::WA_QuitOnClose, false);
  if (auto* ok = Control<QAbstractButton>(IDOK)) {
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
  }
}

CAboutDlg::~CAboutDlg() = default;
