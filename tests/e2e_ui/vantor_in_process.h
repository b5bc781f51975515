#pragma once
// This process as vantor1, for the window tests against a host in another process: the main
// thread's message queue and its pump feed the application object, and the real main window is
// wired to it as the application wires the one it runs.
#include <memory>

#include "app/thread_message_pump.h"
#include "app/watch_app.h"
#include "hostlink/ipc_pipe.h"
#include "tests/ui/dialog_driver.h"

struct VantorInProcess {
  std::unique_ptr<platform::ThreadMessageQueue> queue;
  std::unique_ptr<ThreadMessagePump> pump;
  std::unique_ptr<DialogDriver> window;

  // The queue the host posts to; false when it could not be made.
  bool StartQueue() {
    queue = platform::ThreadMessageQueue::Create();
    if (!queue) {
      return false;
    }
    pump = std::make_unique<ThreadMessagePump>(
        *queue, [](const platform::ThreadMessage& m) { theApp.DispatchThreadMessage(m); });
    return true;
  }
  bool ShowWindow() {
    window = std::make_unique<DialogDriver>();
    theApp.m_pWatchDlg = &window->dialog;
    theApp.m_pWatchState = &window->dialog.m_state;
    window->dialog.m_pWritePipe = &theWritePipe;
    return window->Show();
  }
  void CloseWindow() {
    theApp.m_pWatchDlg = nullptr;
    theApp.m_pWatchState = nullptr;
    window.reset();
  }
  WatchState& State() { return window->dialog.m_state; }
};
