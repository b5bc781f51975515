#pragma once
#include <QColor>
#include <QIcon>
#include <QTimer>
#include <optional>
#include <string>

#include "dialog/command_writer.h"
#include "dialog/follow_list.h"
#include "dialog/options.h"
#include "dialog/status_line.h"
#include "hostlink/ipc_pipe.h"
#include "ui/template_dialog.h"
#include "watcher/watch_state.h"

class QRadioButton;

namespace ui {
class CFollowListCtrl;
class CNameEdit;
class CTrackbar;
class CTrayHider;
}  // namespace ui

// The main window: the follow list and the viewing options, built from the IDD_WATCH_DIALOG
// template. It owns the WatchState that the game watcher reads; it sends the follow-list
// commands through m_pWritePipe, which the application object points at the program's write
// end before the dialog runs. Esc, the close button and Enter (except on a push button, which
// Enter clicks, and in the name box, which takes it as a line break) end the dialog.
class CWatchDlg : public ui::CTemplateDialog {
  Q_OBJECT

 public:
  explicit CWatchDlg(QWidget* parent = nullptr);
  ~CWatchDlg() override;

  // Right after the handshake: the follow-list commands that found no write end
  // (dialog::FollowList::SendUnwritten).
  void SendUnwrittenFollowCommands() { m_followList.SendUnwritten(); }
  // After the host's messages were read or a pipe announced: the names that the server's list
  // added get their rows; the list's count or the policy's last decision, if any, becomes a
  // note; otherwise the line shows the attachment and the board count afresh.
  void RefreshStatus();
  // A passing note on the status line (one line), for dialog::kNoteMilliseconds.
  void ShowStatusNote(std::string note);

  // Members as the rest of the program addresses them. The control pointers are owned by the
  // dialog as its children.
  ui::CFollowListCtrl* m_followListCtrl = nullptr;
  WatchState m_state;                // lives exactly as long as the dialog
  CIpcPipe* m_pWritePipe = nullptr;  // not owned; null: commands are dropped
  QColor m_bkColor;  // the background of the dialog and its controls (from the template)
  QIcon m_hIcon;     // IDR_MAINFRAME
  ui::CTrackbar* m_maxWindowsSlider = nullptr;
  QRadioButton* m_followRadio = nullptr;
  ui::CTrackbar* m_reservedSlider = nullptr;
  ui::CTrackbar* m_minEtimeSlider = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Minimising into the notification area and the window menu with the About box watch this
  // window through event filters (ui/tray_hider.h, ui/window_menu.h); it knows nothing of them.

 private:
  void OnInitDialog();
  void ApplyColours();
  void ConnectFollowList();
  void ConnectOptions();
  void ConnectStatus();
  void ShowStatus();

  // The follow list and the viewing options: the widgets feed dialog/, which writes m_state
  // and says what to show.
  std::string TakeTypedText();
  void ShowRowEdit(const dialog::RowEdit& edit);
  void ShowOptions(const dialog::OptionsView& view);
  void SetLabel(int id, const std::optional<std::string>& text);

  ui::CNameEdit* m_nameEdit = nullptr;
  dialog::FollowList m_followList{m_state, [this](std::string_view command) {
                                    return dialog::WriteCommand(m_pWritePipe, command);
                                  }};
  dialog::Options m_options{m_state};
  dialog::StatusLine m_status;
  QTimer m_noteTimer;                     // single-shot: ends the note on the status line
  ui::CTrayHider* m_trayHider = nullptr;  // a child of the dialog
};
