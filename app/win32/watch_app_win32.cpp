// The native face's part of the application object: the modeless main dialog in the thread's
// own loop, which hands thread messages to the map (app/win32/thread_message_loop.h).
#include <cstdlib>
#include <string>

#include "app/watch_app.h"
#include "app/win32/start_failure.h"
#include "app/win32/thread_message_loop.h"
#include "hostlink/ipc_pipe.h"
#include "ui/win32/watch_dlg.h"

namespace {

platform::ThreadMessage FromMsg(const MSG& msg) {
  return platform::ThreadMessage{msg.message, static_cast<platform::WParam>(msg.wParam),
                                 static_cast<platform::LParam>(msg.lParam)};
}

}  // namespace

bool CWatchApp::InitInstance() {
  CWatchDlg dialog;
  m_pWatchDlg = &dialog;
  m_pWatchState = &dialog.m_state;
  dialog.m_pWritePipe = &theWritePipe;
  const app::win32::ThreadDispatch dispatch = [this](const MSG& msg) {
    return DispatchThreadMessage(FromMsg(msg));
  };
  const app::win32::ThreadMessageFilter filter(dispatch);
  if (!filter.Installed() || !dialog.Create()) {
    app::win32::ReportStartFailure("cannot create the main window (error " +
                                   std::to_string(::GetLastError()) + ")");
    std::exit(1);
  }
  app::win32::RunDialogLoop(dialog.GetSafeHwnd(), dispatch);
  m_pWatchDlg = nullptr;
  m_pWatchState = nullptr;
  return false;
}

// Titled with the application's name, over the main window.
void CWatchApp::ShowMessageBox(const char* text) {
  ::MessageBoxA(m_pWatchDlg != nullptr ? m_pWatchDlg->GetSafeHwnd() : nullptr, text, "vantor1",
                MB_OK | MB_ICONEXCLAMATION);
}

void CWatchApp::SetDialogCaption(const std::string& caption) {
  m_pWatchDlg->SetWindowText(caption);
}

void CWatchApp::SendUnwrittenFollowCommands() {
  m_pWatchDlg->SendUnwrittenFollowCommands();
}

void CWatchApp::RefreshDialogStatus() {
  m_pWatchDlg->RefreshStatus();
}
