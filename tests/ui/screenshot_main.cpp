// Writes PNG pictures for the README: the main window at start, waiting for its host, and
// attached in the all-notifications mode with two names followed and a decision on its status
// line, and the About box (with its frame where a window manager draws one).
#include <QApplication>
#include <QScreen>
#include <cstdio>

#include "tests/support/loopback.h"
#include "tests/ui/dialog_driver.h"
#include "ui/about_dlg.h"

namespace {

bool Save(QWidget& widget, const QString& path) {
  const QRect frame = widget.frameGeometry();
  const bool framed =
      QGuiApplication::platformName() == QStringLiteral("xcb") && frame.size() != widget.size();
  if (framed) {
    QTest::qWait(300);  // the X server shows what was painted last
  }
  const QPixmap picture =
      framed ? widget.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
             : widget.grab();
  if (!picture.save(path, "PNG")) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  DialogDriver d;
  if (!d.Show() || !Save(d.dialog, outDir + "/main-window.png")) {
    return 1;
  }
  for (const char* name : {"Alpha", "Bravo"}) {
    d.Enter(name, IDC_ADD_GNOTIFY);
  }
  d.Click(IDC_MODE_ALL);
  d.Click(IDC_NO_UNRATED);
  // Attached, named, one board open and the last decision, as a drain would leave them.
  hostside::Loopback link;
  d.dialog.m_pWritePipe = &link.writePipe;
  d.dialog.setWindowTitle(QStringLiteral("Vantor1 - kingwalk"));
  d.dialog.m_state.SetMyName("kingwalk");
  d.dialog.m_state.watchedCount = 1;
  d.dialog.m_state.lastDecision =
      Decision{Decision::Kind::Observed, Decision::Reason::None, "alpha", 42};
  d.dialog.RefreshStatus();
  const bool saved = Save(d.dialog, outDir + "/main-window-all-notifications.png");
  d.dialog.m_pWritePipe = nullptr;
  if (!saved) {
    return 1;
  }
  CAboutDlg about;
  about.move(40, 40);
  about.show();
  if (!QTest::qWaitForWindowExposed(&about)) {
    return 1;
  }
  return Save(about, outDir + "/about-box.png") ? 0 : 1;
}
