#pragma once
#include <QByteArray>
#include <QColor>
#include <QDialog>
#include <QIcon>
#include <string>
#include <vector>

#include "hostlink/ipc_pipe.h"
#include "ui/dialog_builder.h"
#include "ui/dialog_units.h"
#include "watcher/watch_state.h"

class QRadioButton;

namespace ui {
class CFollowListCtrl;
class CNameEdit;
class CTrackbar;
}  // namespace ui

// The main window: the follow list and the viewing options, built from the IDD_WATCH_DIALOG
// template. It owns the WatchState that the game watcher reads; it sends the follow-list
// commands through m_pWritePipe, which the application object points at the program's write
// end before the dialog runs. Esc, the close button and Enter (except on a push button, which
// Enter clicks, and in the name box, which takes it as a line break) end the dialog.
class CWatchDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CWatchDlg(QWidget* parent = nullptr);
  ~CWatchDlg() override;

  // The first control with the id, or null.
  QWidget* GetDlgItem(int id) const;
  // The text of a static or a button; empty for other controls.
  QString GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const QString& text);
  // Every control, in template order.
  const std::vector<ui::BuiltControl>& Controls() const { return m_controls; }
  ui::BaseUnits DialogBaseUnits() const { return m_baseUnits; }
  // Brings the server's notification list in step once the write end opens: "+gnotify" for
  // each listed name whose add could not be written, in list order, then "-gnotify" for each
  // name taken off whose add had reached the server but whose remove could not be written.
  // Commands that were written are not sent again; one that fails again waits for the next.
  void SendUnwrittenFollowCommands();

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
  void ConnectHandlers();

  // The follow list.
  void OnAddGnotify();
  void OnRemoveName();
  void OnRemoveGnotify();
  void OnClearAllGnotify();
  // Takes the typed or selected name off the list; true (and the name) when one was removed.
  bool RemoveChosenName(std::string& name);
  // True when the command was written to the host.
  bool SendFollowCommand(const char* prefix, const std::string& name);
  void SendAddCommand(const std::string& name);
  void SendRemoveCommand(const std::string& name);

  // The viewing options.
  void OnMaxWindowsReleased();
  void OnReservedBoardsReleased();
  void OnMinEtimeReleased();
  void OnModeFollowList();
  void OnModeAllNotify();
  void OnModeNone();
  void LeaveAllNotifyMode();
  void OnNoWild();
  void OnNoUnrated();
  void OnNoStandard();
  void OnMyEtimeOnly();
  void OnNoIncrement();

  ui::BaseUnits m_baseUnits;
  std::vector<ui::BuiltControl> m_controls;
  ui::CNameEdit* m_nameEdit = nullptr;
  // Follow-list commands that could not be written yet (SendUnwrittenFollowCommands).
  std::vector<std::string> m_unwrittenAdds;     // listed names
  std::vector<std::string> m_unwrittenRemoves;  // names no longer listed
};
