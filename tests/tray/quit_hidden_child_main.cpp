// vantor1's own start-up with the main window minimised as soon as it is up, for the host
// simulator to drive. The process may end only while the window is hidden: ending while it is
// shown turns the exit status into 5, so a host script's "expect exit 0" checks both.
#include <unistd.h>
#include <QApplication>
#include <QTimer>
#include <cstdlib>

#include "app/run.h"
#include "app/watch_app.h"
#include "ui/tray_hider.h"
#include "ui/watch_dlg.h"
#include "ui/window_menu.h"

void RequireHiddenAtExit() {
  const CWatchDlg* dialog = theApp.m_pWatchDlg;
  const auto* hider = dialog ? dialog->findChild<ui::CTrayHider*>() : nullptr;
  if (hider == nullptr || !hider->IsHidden() || dialog->isVisible()) {
    _exit(5);
  }
}

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QTimer::singleShot(0, [] {
    if (theApp.m_pWatchDlg != nullptr) {
      ui::OnSysCommand(*theApp.m_pWatchDlg, ui::SC_MINIMIZE);
    }
    std::atexit(RequireHiddenAtExit);
  });
  return RunWatchApp(theApp);
}
