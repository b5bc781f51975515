#pragma once
#include <memory>

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a terminal closing, Ctrl-C, a parent ending its
// child) from the process's end into a descriptor that becomes readable, so that a program can
// end its own way: leave its loops, unwind, and remove what it made. Watch Descriptor() with
// poll() or a QSocketNotifier and call Clear() when it fires. On Windows the console's Ctrl-C,
// Ctrl-Break and closing take their place, and Descriptor() is -1: wait on the event of
// platform/win32/termination_event.h instead.
// One instance at a time; the handlers stay installed after it is destroyed, and then do
// nothing.
class TerminationSignals {
 public:
  // Null when the signal pipe could not be made; the signals then keep their default effect.
  static std::unique_ptr<TerminationSignals> Install();
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  int Descriptor() const { return readFd_; }
  // Consumes the pending signals.
  void Clear();

 private:
  TerminationSignals(int readFd, int writeFd) : readFd_(readFd), writeFd_(writeFd) {}

  int readFd_;
  int writeFd_;
};

}  // namespace platform
