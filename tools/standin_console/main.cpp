// vantor1 minus its window, as a console program: the registered messages, the thread's message
// loop, the announcements and the drain and policy of the real program, with the options it
// starts with. It ends with status 0 on the host's quit message. For driving the core with
// hostsim where the window cannot run yet.
#include <cstdio>

#include "platform/thread_id.h"
#include "tools/hostsim/stand_in.h"

int main() {
  // The thread that hosts announce pipes to, for `hostsim --attach TID`: on Windows nothing
  // else tells it.
  std::fprintf(stderr, "vantor1_console: thread %u\n",
               static_cast<unsigned>(platform::CurrentThreadId()));
  return hostsim::RunStandIn(nullptr, {});
}
