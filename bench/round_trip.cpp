// The round trip through the real program: hostsim's benchmark host against vantor1's own
// application object, dialog and event loop (offscreen), with the follow list set through the
// dialog's controls as a user sets it. The raw thread-queue round trip to a Qt-free stand-in is
// measured in the same run. Used by bench/round-trip.
//   round_trip COUNT HOST_CPU PROGRAM_CPU     (a CPU of -1 leaves the placement alone)
#include <sched.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/run.h"
#include "app/watch_app.h"
#include "hostlink/ipc_pipe.h"
#include "tests/ui/dialog_driver.h"
#include "tools/hostsim/bench.h"

namespace {

bool Pin(int cpu) {
  if (cpu < 0) {
    return true;
  }
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  return sched_setaffinity(0, sizeof set, &set) == 0;
}

// vantor1 as main() runs it. Once the window is up and the host has announced the write end, the
// user types the followed player's name and presses Add/gnot.
int RealProgram() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int argc = 1;
  char name[] = "vantor1";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&user] {
    CWatchDlg* dialog = theApp.m_pWatchDlg;
    if (dialog == nullptr || !dialog->isVisible() || !theWritePipe.IsOpen()) {
      return;
    }
    user.stop();
    auto* edit = dialog->GetDlgItem(IDC_NAME_EDIT);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Alpha"));
    QTest::mouseClick(dialog->GetDlgItem(IDC_ADD_GNOTIFY), Qt::LeftButton);
  });
  user.start(1);
  return RunWatchApp(theApp);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: round_trip COUNT HOST_CPU PROGRAM_CPU\n");
    return 2;
  }
  const int hostCpu = std::atoi(argv[2]);
  const int programCpu = std::atoi(argv[3]);
  if (!Pin(hostCpu)) {
    std::perror("round_trip: cannot pin the host");
    return 1;
  }
  hostsim::Options options;
  options.benchCount = std::atoi(argv[1]);
  options.timeoutMs = 20000;
  return hostsim::RunBench(options, {RealProgram, true, [programCpu] { Pin(programCpu); }});
}
