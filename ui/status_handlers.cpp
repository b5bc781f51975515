// The status line of the main window and the tray icon's tooltip: dialog::StatusLine says
// what to show; a single-shot timer ends each note.
#include "res/resource.h"
#include "ui/display_text.h"
#include "ui/tray_hider.h"
#include "ui/watch_dlg.h"

void CWatchDlg::ConnectStatus() {
  m_noteTimer.setSingleShot(true);
  connect(&m_noteTimer, &QTimer::timeout, this, [this] {
    m_status.NoteExpired();
    ShowStatus();
  });
  ShowStatus();
}

void CWatchDlg::RefreshStatus() {
  for (const dialog::RowEdit& row : m_followList.TakeServerNames()) {
    ShowRowEdit(row);
  }
  if (std::optional<std::string> note = dialog::TakeDrainNote(m_state)) {
    ShowStatusNote(std::move(*note));
    return;
  }
  ShowStatus();
}

void CWatchDlg::ShowStatusNote(std::string note) {
  m_status.ShowNote(std::move(note));
  m_noteTimer.start(dialog::kNoteMilliseconds);
  ShowStatus();
}

void CWatchDlg::ShowStatus() {
  const bool attached = m_pWritePipe != nullptr && m_pWritePipe->IsOpen();
  const std::string text = m_status.Text(m_state, attached);
  SetDlgItemText(IDC_STATUS, ui::DisplayText(text));
  if (m_trayHider != nullptr) {
    m_trayHider->SetTooltip(
        ui::DisplayText(dialog::TrayTipText(ui::AppName().toStdString(), text)));
  }
}
