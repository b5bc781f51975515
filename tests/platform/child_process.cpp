#include "child_process.h"

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/doorbell.h"
#include "platform/user_shm.h"

namespace testing_platform {

Child::Child(const std::function<int()>& body) {
  pid_ = ::fork();
  if (pid_ == 0) {
    ::_exit(body());
  }
  if (pid_ > 0) {
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  }
}

Child::~Child() {
  if (pid_ > 0 && !reaped_) {
    Kill(SIGKILL);
    Wait(5000);
  }
  if (pidfd_ >= 0) {
    ::close(pidfd_);
  }
}

int Child::Wait(int timeoutMs) {
  pollfd pfd{pidfd_, POLLIN, 0};
  if (pidfd_ >= 0 && ::poll(&pfd, 1, timeoutMs) <= 0) {
    Kill(SIGKILL);
  }
  int status = 0;
  if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) {
    return -1000;
  }
  reaped_ = true;
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

void Child::Kill(int signal) {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, signal);
  }
}

int RunInChild(const std::function<int()>& body, int timeoutMs) {
  Child child(body);
  return child.Wait(timeoutMs);
}

Signal::Signal() {
  if (::pipe(fds_) != 0) {
    std::abort();
  }
}

Signal::~Signal() {
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void Signal::Notify() {
  char byte = 1;
  if (::write(fds_[1], &byte, 1) != 1) {
    std::abort();
  }
}

bool Signal::WaitFor(int timeoutMs) {
  pollfd pfd{fds_[0], POLLIN, 0};
  char byte = 0;
  return ::poll(&pfd, 1, timeoutMs) == 1 && ::read(fds_[0], &byte, 1) == 1;
}

std::string UniqueName(const std::string& what) {
  static std::atomic<int> counter{0};
  return "VantorTest." + what + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

void RemoveQueueLeftovers(pid_t thread) {
  const auto id = static_cast<platform::ThreadId>(thread);
  ::shm_unlink(platform::detail::UserObjectName("tq", std::to_string(id)).c_str());
  ::unlink(platform::detail::DoorbellPath(id).c_str());
}

bool CanSwitchUser() {
  return ::geteuid() == 0;
}

bool SwitchToNobody() {
  const gid_t nobody = 65534;
  return ::setgroups(1, &nobody) == 0 && ::setgid(nobody) == 0 && ::setuid(65534) == 0;
}

}  // namespace testing_platform
