#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/thread_queue.h"

class CWatchDlg;
struct WatchState;

// The application object: runs the main dialog and routes the messages posted to the
// program's thread through its thread message map. One instance, theApp, for the whole run.
// The map and its handlers are the same for every face of the window (watch_app.cpp); each face
// supplies the members that run and touch its dialog (watch_app_qt.cpp, win32/).
class CWatchApp {
 public:
  using Handler = void (CWatchApp::*)(platform::WParam, platform::LParam);
  struct ThreadMessageEntry {
    std::uint32_t message;
    Handler handler;
  };

  CWatchApp() = default;
  ~CWatchApp() = default;
  CWatchApp(const CWatchApp&) = delete;
  CWatchApp& operator=(const CWatchApp&) = delete;

  // Constructs the main dialog, points m_pWatchDlg, m_pWatchState and the dialog's write pipe
  // at it, runs it and returns false once it has ended: the process then ends with status 0.
  // The Qt face needs a QApplication; the native face runs its own loop, which hands thread
  // messages to the map, also inside message boxes, menus and the About box.
  bool InitInstance();

  // The thread message map: each message number and its handler, in lookup order.
  const std::vector<ThreadMessageEntry>& ThreadMessageMap() const;
  // Calls the handler of the message's number; false when the map has none.
  bool DispatchThreadMessage(const platform::ThreadMessage& message);

  // "IPCNewPipe": opens the announced pipe end; a failure is shown in a modal message box. A
  // write end, once its handshake is written, gets the follow-list commands not written yet and,
  // once the login name is known, the request for the server's list; the window's status line
  // says that the host is attached.
  void OnIPCNewPipe(platform::WParam wParam, platform::LParam lParam);
  // "IPCDataReady": drains the read end, names the window once the login name is known, shows
  // the names read from the server's list and the status afresh, and ends the process with status 0
  // when the host asked to quit.
  void OnIPCDataReady(platform::WParam wParam, platform::LParam lParam);

  CWatchDlg* m_pWatchDlg = nullptr;     // the running main dialog; not owned
  WatchState* m_pWatchState = nullptr;  // that dialog's m_state; not owned

 private:
  void ShowPipeError(const char* text);
  // Face-specific: a modal box with an OK button over the main window; the dialog's caption;
  // the follow-list commands that found no write end (dialog::FollowList::SendUnwritten); the
  // status line after a drain or an announcement.
  void ShowMessageBox(const char* text);
  void SetDialogCaption(const std::string& caption);
  void SendUnwrittenFollowCommands();
  void RefreshDialogStatus();

  // The texts of the pipe error boxes that are up. A box's loop delivers further announcements;
  // a host that keeps announcing pipes that cannot be opened would otherwise stack a box in the
  // loop of the last until the stack runs out. So each text is shown once at a time.
  std::vector<std::string> m_pipeErrorsShown;
};

extern CWatchApp theApp;
