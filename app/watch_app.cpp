#include "app/watch_app.h"

#include <algorithm>
#include <cstdlib>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "watcher/drain.h"
#include "watcher/server_follow_list.h"

CWatchApp theApp;

const std::vector<CWatchApp::ThreadMessageEntry>& CWatchApp::ThreadMessageMap() const {
  // Registered message numbers are known only at run time, so the map is built on first use.
  static const std::vector<ThreadMessageEntry> map{
      {IpcNewPipeMessage(), &CWatchApp::OnIPCNewPipe},
      {IpcDataReadyMessage(), &CWatchApp::OnIPCDataReady},
  };
  return map;
}

bool CWatchApp::DispatchThreadMessage(const platform::ThreadMessage& message) {
  for (const ThreadMessageEntry& entry : ThreadMessageMap()) {
    if (entry.message == message.message) {
      (this->*entry.handler)(message.wParam, message.lParam);
      return true;
    }
  }
  return false;
}

void CWatchApp::OnIPCNewPipe(platform::WParam wParam, platform::LParam lParam) {
  switch (HandleNewPipe(wParam, lParam)) {
    case NewPipeResult::ReadFailed:
      ShowPipeError("Error creating read-pipe");
      break;
    case NewPipeResult::WriteFailed:
      ShowPipeError("Error creating write-pipe");
      break;
    case NewPipeResult::WriteOpened:
      // Right after the handshake: the follow-list commands that found no write end, then,
      // as this is a new attach, the server's list, whose answer then holds their names too.
      if (m_pWatchDlg != nullptr && m_pWatchState != nullptr) {
        SendUnwrittenFollowCommands();
        m_pWatchState->serverListAsked = false;
        AskForServerFollowList(theWritePipe, *m_pWatchState);
        RefreshDialogStatus();
      }
      break;
    case NewPipeResult::ReadOpened:
      break;
  }
}

// The one kind of message this program shows. A failure whose box is already up is not shown
// again.
void CWatchApp::ShowPipeError(const char* text) {
  if (std::find(m_pipeErrorsShown.begin(), m_pipeErrorsShown.end(), text) !=
      m_pipeErrorsShown.end()) {
    return;
  }
  m_pipeErrorsShown.emplace_back(text);
  ShowMessageBox(text);
  m_pipeErrorsShown.erase(std::find(m_pipeErrorsShown.begin(), m_pipeErrorsShown.end(), text));
}

void CWatchApp::OnIPCDataReady(platform::WParam, platform::LParam) {
  if (m_pWatchState == nullptr) {
    return;  // no dialog runs: nothing to drain into
  }
  const DrainOutcome outcome = DrainReadPipe(theReadPipe, theWritePipe, *m_pWatchState);
  if (m_pWatchDlg != nullptr) {
    if (outcome.newTitle) {
      SetDialogCaption(*outcome.newTitle);
    }
    RefreshDialogStatus();
  }
  if (outcome.quit) {
    // The host asked to quit: end now, without closing the window first.
    std::exit(0);
  }
}
