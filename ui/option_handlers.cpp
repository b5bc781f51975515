// The viewing options of the main window: three trackbars taken over on mouse release, the
// mode radios and the five filter check boxes. Each writes its field of m_state; the game
// watcher reads them at the next notification.
#include "res/resource.h"
#include "ui/trackbar.h"
#include "ui/watch_dlg.h"

namespace {

const QString kReservedCaption = QStringLiteral("Boards reserved for follow list");

void Flip(bool& field) {
  field = !field;
}

}  // namespace

void CWatchDlg::OnMaxWindowsReleased() {
  m_state.maxGameWindows = m_maxWindowsSlider->value();
  // The reserved boards can never exceed the windows, in every mode; the reserved value
  // itself waits for that trackbar's own release.
  m_reservedSlider->SetRange(0, m_state.maxGameWindows);
  SetDlgItemText(IDC_MAX_WINDOWS_VALUE, QString::number(m_state.maxGameWindows));
}

void CWatchDlg::OnReservedBoardsReleased() {
  m_state.reservedBoards = m_reservedSlider->value();
  SetDlgItemText(IDC_RESERVED_VALUE, QString::number(m_state.reservedBoards));
}

void CWatchDlg::OnMinEtimeReleased() {
  m_state.minEtime = static_cast<float>(m_minEtimeSlider->value());
  SetDlgItemText(IDC_MIN_ETIME_VALUE, QString::number(static_cast<int>(m_state.minEtime)));
}

void CWatchDlg::OnModeAllNotify() {
  m_state.watchNone = false;
  if (m_state.allNotifyMode) {
    return;
  }
  m_state.allNotifyMode = true;
  m_reservedSlider->show();
  m_reservedSlider->setValue(0);
  m_reservedSlider->SetRange(0, m_state.maxGameWindows);
  m_state.reservedBoards = 0;
  SetDlgItemText(IDC_RESERVED_VALUE, QStringLiteral("0"));
  SetDlgItemText(IDC_RESERVED_LABEL, kReservedCaption);
}

void CWatchDlg::LeaveAllNotifyMode() {
  m_state.allNotifyMode = false;
  m_reservedSlider->setValue(0);
  m_reservedSlider->SetRange(0, 0);
  m_state.reservedBoards = 0;
  SetDlgItemText(IDC_RESERVED_VALUE, QString());
  m_reservedSlider->hide();
  SetDlgItemText(IDC_RESERVED_LABEL, QString());
}

void CWatchDlg::OnModeFollowList() {
  m_state.watchNone = false;
  if (m_state.allNotifyMode) {
    LeaveAllNotifyMode();
  }
}

void CWatchDlg::OnModeNone() {
  if (m_state.allNotifyMode) {
    LeaveAllNotifyMode();
  }
  m_state.watchNone = true;
}

// Each click flips its field once, whatever the mark shows.
void CWatchDlg::OnNoWild() {
  Flip(m_state.allowWild);
}
void CWatchDlg::OnNoUnrated() {
  Flip(m_state.allowUnrated);
}
void CWatchDlg::OnNoStandard() {
  Flip(m_state.allowStandard);
}
void CWatchDlg::OnMyEtimeOnly() {
  Flip(m_state.myEtimeOnly);
}
void CWatchDlg::OnNoIncrement() {
  Flip(m_state.noIncrement);
}
