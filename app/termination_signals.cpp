#include "app/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <array>
#include <atomic>
#include <cerrno>

namespace {

// The write end the handler pokes; -1 while no instance listens.
std::atomic<int> g_signalWriteFd{-1};

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  const int fd = g_signalWriteFd.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);  // full pipe: a poke is pending
  }
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    return;
  }
  m_readFd = fds[0];
  g_signalWriteFd.store(fds[1]);
  m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::OnSignalled);

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : std::array{SIGTERM, SIGINT, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

TerminationSignals::~TerminationSignals() {
  const int writeFd = g_signalWriteFd.exchange(-1);
  if (writeFd >= 0) {
    close(writeFd);
  }
  if (m_readFd >= 0) {
    delete m_notifier;
    close(m_readFd);
  }
}

void TerminationSignals::OnSignalled() {
  char bytes[16];
  while (read(m_readFd, bytes, sizeof bytes) > 0) {
  }
  // Leaves every running loop (the main dialog's and any box over it), so the program unwinds.
  QCoreApplication::exit(0);
}
