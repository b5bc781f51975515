#include "ui/watch_dlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "res/app_icon.h"
#include "res/resource.h"
#include "ui/follow_list_ctrl.h"
#include "ui/name_edit.h"
#include "ui/trackbar.h"
#include "ui/tray_hider.h"
#include "ui/window_menu.h"

namespace {

constexpr int kLineSize = 10;

struct TrackbarSetup {
  int id;
  int minimum;
  int maximum;
  int position;
  const char* accessibleName;  // the caption beside it
};

constexpr TrackbarSetup kTrackbars[] = {
    {IDC_MAX_WINDOWS_SLIDER, 0, 32, 2, "Max game windows"},
    {IDC_RESERVED_SLIDER, 0, 0, 0, "Boards reserved for follow list"},
    {IDC_MIN_ETIME_SLIDER, 0, 15, 0, "Minimum etime"},
};

}  // namespace

CWatchDlg::CWatchDlg(QWidget* parent)
    : CTemplateDialog(res::WatchDialogTemplate(), parent), m_hIcon(res::LoadAppIcon()) {
  m_bkColor = QColor::fromRgb(res::WatchDialogTemplate().backgroundRgb);
  m_followListCtrl = Control<ui::CFollowListCtrl>(IDC_FOLLOW_LIST);
  m_maxWindowsSlider = Control<ui::CTrackbar>(IDC_MAX_WINDOWS_SLIDER);
  m_followRadio = Control<QRadioButton>(IDC_MODE_FOLLOW);
  m_reservedSlider = Control<ui::CTrackbar>(IDC_RESERVED_SLIDER);
  m_minEtimeSlider = Control<ui::CTrackbar>(IDC_MIN_ETIME_SLIDER);
  m_nameEdit = Control<ui::CNameEdit>(IDC_NAME_EDIT);
  Q_ASSERT_X(m_followListCtrl && m_maxWindowsSlider && m_followRadio && m_reservedSlider &&
                 m_minEtimeSlider && m_nameEdit,
             "CWatchDlg", "the template lacks a control the dialog binds");

  ApplyColours();
  OnInitDialog();
  ConnectFollowList();
  ConnectOptions();
  // Children of the dialog: minimising hides it into the tray, and its own window menu.
  m_trayHider = new ui::CTrayHider(*this, m_hIcon);
  new ui::CWindowMenu(*this);
  ConnectStatus();
}

CWatchDlg::~CWatchDlg() {
  // The controls outlive this part of the object (the base deletes them); a signal they emit
  // while going, such as the list's selection change, must not reach the handlers.
  for (const ui::BuiltControl& control : Controls()) {
    control.widget->disconnect(this);
  }
}

void CWatchDlg::OnInitDialog() {
  setWindowIcon(m_hIcon);
  for (const TrackbarSetup& setup : kTrackbars) {
    auto* trackbar = Control<ui::CTrackbar>(setup.id);
    trackbar->SetRange(setup.minimum, setup.maximum);
    trackbar->setSingleStep(kLineSize);
    trackbar->setValue(setup.position);
    trackbar->setAccessibleName(QString::fromLatin1(setup.accessibleName));
  }
  m_followRadio->setChecked(true);
  m_followListCtrl->setAccessibleName(QStringLiteral("Follow List"));
  m_nameEdit->setAccessibleName(QStringLiteral("Enter Name"));
  // The value labels keep their template texts, which match the start values.
  GetDlgItem(IDC_MAX_WINDOWS_VALUE)->setAccessibleName(QStringLiteral("Max game windows value"));
  GetDlgItem(IDC_MIN_ETIME_VALUE)->setAccessibleName(QStringLiteral("Minimum etime value"));
  GetDlgItem(IDC_RESERVED_VALUE)->setAccessibleName(QStringLiteral("Boards reserved value"));
}

void CWatchDlg::ApplyColours() {
  // The dialog and every control answer their background with m_bkColor; children inherit it.
  // The name box keeps the platform's colours, so it reads as a place to type.
  QPalette editPalette = m_nameEdit->palette();
  editPalette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
  m_nameEdit->setPalette(editPalette);  // a role set here is not inherited from the dialog
  QPalette green = palette();
  green.setColor(QPalette::Window, m_bkColor);
  setPalette(green);
  setAutoFillBackground(true);
}

void CWatchDlg::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // Controls that take Enter themselves (push buttons, the name box) never pass it here.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      accept();
    }
    return;
  }
  QDialog::keyPressEvent(event);  // Esc rejects
}
