// vantor1's own start-up with a user who acts as soon as the main window is up; the exit status
// is the program's. "esc" presses Esc. "minimise" hides the window, and the process may then end
// only while it is hidden: ending while shown turns the exit status into 5, so a host script's
// "expect exit 0" checks both.
#include <unistd.h>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>

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
  const bool minimise = argc == 2 && std::strcmp(argv[1], "minimise") == 0;
  QApplication application(argc, argv);
  QTimer::singleShot(0, [minimise] {
    if (theApp.m_pWatchDlg == nullptr) {
      return;
    }
    if (!minimise) {
      QTest::keyClick(theApp.m_pWatchDlg, Qt::Key_Escape);
      return;
    }
    ui::OnSysCommand(*theApp.m_pWatchDlg, ui::SC_MINIMIZE);
    std::atexit(RequireHiddenAtExit);
  });
  return RunWatchApp(theApp);
}
