// Writes a PNG picture of the About box for the README. On an X server with a window manager
// the picture includes the frame and its caption; elsewhere it shows the box's inside only.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "ui/about_dlg.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
    return 2;
  }
  CAboutDlg about;
  about.move(40, 40);
  about.show();
  if (!QTest::qWaitForWindowExposed(&about)) {
    return 1;
  }
  QTest::qWait(300);  // the window manager's frame is drawn
  const QRect frame = about.frameGeometry();
  const bool framed =
      QGuiApplication::platformName() == QStringLiteral("xcb") && frame.size() != about.size();
  const QPixmap picture =
      framed ? about.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
             : about.grab();
  if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "about_screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s\n", argv[1]);
  return 0;
}
