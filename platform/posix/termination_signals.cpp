#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

#include "platform/posix/shared_lock.h"

namespace platform {

namespace {

// The write end the handler pokes; -1 while no instance listens.
std::atomic<int> g_signalWriteFd{-1};

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  // A wait for a lock that a peer keeps must not hold up the end.
  detail::InterruptLockWaits();
  const int fd = g_signalWriteFd.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);  // full pipe: a poke is pending
  }
  errno = saved;
}

}  // namespace

std::unique_ptr<TerminationSignals> TerminationSignals::Install() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    return nullptr;
  }
  std::unique_ptr<TerminationSignals> signals(new TerminationSignals(fds[0], fds[1]));
  g_signalWriteFd.store(fds[1]);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : std::array{SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
  return signals;
}

TerminationSignals::~TerminationSignals() {
  int listening = writeFd_;
  g_signalWriteFd.compare_exchange_strong(listening, -1);
  close(writeFd_);
  close(readFd_);
}

void TerminationSignals::Clear() {
  detail::ResumeLockWaits();
  char bytes[16];
  while (read(readFd_, bytes, sizeof bytes) > 0) {
  }
}

}  // namespace platform
