#pragma once
#include <functional>

#include "ui/win32/windows_ui.h"

// The thread's message loop on the host's own system, with a modeless main dialog. Thread
// messages (those posted without a window) go to the application's thread message map before
// any translation or dispatch, in the order they were posted, each exactly once: in this loop,
// and also inside the modal loops of message boxes, menus, the About box and window moves,
// through a message filter hook.
namespace app::win32 {

// Handles a thread message; false when the map has no entry for it.
using ThreadDispatch = std::function<bool(const MSG&)>;

// Installs the hook for the calling thread while it lives. One at a time.
class ThreadMessageFilter {
 public:
  explicit ThreadMessageFilter(ThreadDispatch dispatch);
  ~ThreadMessageFilter();
  ThreadMessageFilter(const ThreadMessageFilter&) = delete;
  ThreadMessageFilter& operator=(const ThreadMessageFilter&) = delete;

  bool Installed() const { return hook_ != nullptr; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

  ThreadDispatch dispatch_;
  HHOOK hook_ = nullptr;
};

// Runs until the dialog ends (WM_QUIT). The dialog's keyboard interface (Tab, Enter, Esc,
// mnemonics) works through IsDialogMessage.
void RunDialogLoop(HWND dialog, const ThreadDispatch& dispatch);

}  // namespace app::win32
