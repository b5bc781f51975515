#pragma once
#include <optional>
#include <string>

#include "dialog/command_writer.h"
#include "dialog/follow_list.h"
#include "dialog/options.h"
#include "dialog/status_line.h"
#include "hostlink/ipc_pipe.h"
#include "ui/win32/dialog_template_win32.h"
#include "ui/win32/windows_ui.h"
#include "watcher/watch_state.h"

// The main window on the host's own system: a modeless dialog from the IDD_WATCH_DIALOG
// template with the real controls. It owns the WatchState that the game watcher reads and
// sends the follow-list commands through m_pWritePipe, which the application object points at
// the program's write end. Esc, the close box and Enter (unless a push button has the focus,
// which Enter clicks, or the name box, which takes it as a line break) end the dialog; the
// thread's loop then ends too. Minimising hides it into the notification area, and its system
// menu opens the About box. A status line says what vantor1 is doing, and the tray icon's tip
// with it.
class CWatchDlg {
 public:
  CWatchDlg();
  ~CWatchDlg();
  CWatchDlg(const CWatchDlg&) = delete;
  CWatchDlg& operator=(const CWatchDlg&) = delete;

  // Creates the window, shown at the template's place; false when the system refused.
  bool Create();
  HWND GetSafeHwnd() const { return m_hWnd; }
  // Names the window: the caption as the host's bytes give it.
  void SetWindowText(const std::string& caption);
  // Right after the handshake: the follow-list commands that found no write end.
  void SendUnwrittenFollowCommands() { m_followList.SendUnwritten(); }
  // After the host's messages were read or a pipe announced: the names that the server's list
  // added get their rows; the list's count or the policy's last decision, if any, becomes a
  // note; otherwise the line shows the attachment and the board count afresh.
  void RefreshStatus();
  // A passing note on the status line (one line), for dialog::kNoteMilliseconds.
  void ShowStatusNote(std::string note);
  // The status line's text, as UTF-8.
  std::string StatusText() const;

  WatchState m_state;                // lives exactly as long as the dialog
  CIpcPipe* m_pWritePipe = nullptr;  // not owned; null: commands are dropped
  COLORREF m_bkColor;                // the background of the dialog and its controls
  HBRUSH m_bkBrush = nullptr;        // owned: a solid brush of m_bkColor
  HICON m_hIcon = nullptr;           // IDR_MAINFRAME
  // The controls, once created.
  HWND m_followListCtrl = nullptr;
  HWND m_maxWindowsSlider = nullptr;
  HWND m_followRadio = nullptr;
  HWND m_reservedSlider = nullptr;
  HWND m_minEtimeSlider = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void OnCommand(int id);
  void OnNotify(const NMHDR& header);
  void TakeTrackbarPosition(HWND trackbar);
  INT_PTR OnCtlColor(HDC dc, HWND control);
  void OnPaint();
  bool OnSysCommand(WPARAM id);
  void OnTrayNotify(LPARAM mouseMessage);
  void OnNoteTimer();
  void ShowStatus();
  void EndDialog();

  // The follow list and the options: the controls feed dialog/, which writes m_state and says
  // what to show.
  std::string TakeTypedText();
  void ShowRowEdit(const dialog::RowEdit& edit);
  void ShowOptions(const dialog::OptionsView& view);
  void SetLabel(int id, const std::optional<std::string>& text);
  int SelectedRow() const;

  ui::win32::DialogTemplateBuffer m_template;
  HWND m_hWnd = nullptr;
  dialog::FollowList m_followList{m_state, [this](std::string_view command) {
                                    return dialog::WriteCommand(m_pWritePipe, command);
                                  }};
  dialog::Options m_options{m_state};
  dialog::StatusLine m_status;
  bool m_inTray = false;  // the notification-area icon stands in for the window
};
