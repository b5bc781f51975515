#include <QApplication>

#include "app/run.h"
#include "app/watch_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  return RunWatchApp(theApp);
}
