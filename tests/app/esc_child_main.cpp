// The program's own start-up path with a user who presses Esc as soon as the main window is up;
// the exit status is the program's.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/run.h"
#include "app/watch_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QTimer::singleShot(0, [] {
    if (QWidget* window = QApplication::activeModalWidget()) {
      QTest::keyClick(window, Qt::Key_Escape);
    }
  });
  return RunWatchApp(theApp);
}
