#include <cstdio>
#include <cstring>

#include "app/run.h"
#include "app/watch_app.h"
#include "res/version.h"

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("vantor1 " VANTOR_VERSION);
    return 0;
  }
  return RunWatchApp(theApp);
}
