#include <string>

#include "app/run.h"
#include "app/watch_app.h"
#include "app/win32/start_failure.h"
#include "hostlink/host_session.h"
#include "ui/win32/windows_ui.h"

int RunWatchApp(CWatchApp& app) {
  // Without both numbers the host's messages could never be told apart.
  if (IpcNewPipeMessage() == 0 || IpcDataReadyMessage() == 0) {
    app::win32::ReportStartFailure("cannot register the host's message names (error " +
                                   std::to_string(RegisteredMessageError()) + ")");
    return 1;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The system's queue of this thread exists from here; the host may post to it at once.
  const std::unique_ptr<platform::ThreadMessageQueue> queue =
      platform::ThreadMessageQueue::Create();
  if (!queue) {
    app::win32::ReportStartFailure("cannot create the thread's message queue");
    return 1;
  }
  (void)app.InitInstance();
  return 0;
}
