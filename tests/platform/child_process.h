#pragma once
// Cross-process test helpers. Every wait is bounded.
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix/doorbell.h"
#include "platform/posix/user_files.h"

namespace testing_platform {

// A forked child running `body` (its result is the exit code); killed and reaped when destroyed.
class Child {
 public:
  explicit Child(const std::function<int()>& body) : pid_(::fork()) {
    if (pid_ == 0) {
      ::_exit(body());
    }
    pidfd_ = pid_ > 0 ? static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)) : -1;
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    Wait(0);
    ::close(pidfd_);
  }
  pid_t Pid() const { return pid_; }
  void Kill(int signal) {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, signal);
    }
  }
  // Exit code, -(signal) if a signal ended it; a child still running after timeoutMs is killed.
  int Wait(int timeoutMs = 10000) {
    pollfd pfd{pidfd_, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) {
      Kill(SIGKILL);
    }
    int status = 0;
    if (pid_ <= 0 || reaped_ || ::waitpid(pid_, &status, 0) != pid_) {
      return -1000;
    }
    reaped_ = true;
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
  }
  // True once the child has ended, left unreaped (a zombie); false after timeoutMs.
  bool AwaitExit(int timeoutMs = 10000) {
    pollfd pfd{pidfd_, POLLIN, 0};
    return ::poll(&pfd, 1, timeoutMs) == 1;
  }
  // True once `file` exists; false when the child ended first or timeoutMs passed.
  bool AwaitFile(const std::string& file, int timeoutMs = 20000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
      pollfd pfd{pidfd_, POLLIN, 0};
      if (::access(file.c_str(), F_OK) == 0 || ::poll(&pfd, 1, 10) != 0) {
        break;
      }
    }
    return ::access(file.c_str(), F_OK) == 0;
  }

 private:
  pid_t pid_;
  int pidfd_;
  bool reaped_ = false;
};

inline int RunInChild(const std::function<int()>& body) {
  return Child(body).Wait();
}

// Ends the test process, saying `what`, unless destroyed within timeoutMs: the bound of a wait
// that has none of its own (a lock), so that a hang names itself instead of running into
// ctest's time-out with no word of what hung.
class Watchdog {
 public:
  explicit Watchdog(std::string what, int timeoutMs = 10000)
      : thread_([this, what = std::move(what), timeoutMs] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return done_; })) {
            std::fprintf(stderr, "%s: still waiting after %d ms\n", what.c_str(), timeoutMs);
            std::_Exit(1);
          }
        }) {}
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;  // last: it uses the members above
};

// body()'s result, under a Watchdog.
template <class Body>
auto Bounded(const std::string& what, const Body& body, int timeoutMs = 10000) {
  const Watchdog watchdog(what, timeoutMs);
  return body();
}

// A one-way "ready"/"go" notification between parent and child.
class Signal {
 public:
  Signal() {
    if (::pipe(fds_) != 0) {
      std::abort();
    }
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  ~Signal() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  void Notify() { (void)!::write(fds_[1], "", 1); }
  bool WaitFor(int timeoutMs = 10000) {
    pollfd pfd{fds_[0], POLLIN, 0};
    char byte = 0;
    return ::poll(&pfd, 1, timeoutMs) == 1 && ::read(fds_[0], &byte, 1) == 1;
  }

 private:
  int fds_[2];
};

// A name no other test process uses.
inline std::string UniqueName(const std::string& what) {
  static std::atomic<int> counter{0};
  return "VantorTest." + what + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

// Removes the queue objects that a killed receiver thread left behind.
inline void RemoveQueueLeftovers(pid_t thread) {
  const auto id = static_cast<platform::ThreadId>(thread);
  ::unlink(platform::detail::UserObjectPath("tq", std::to_string(id)).c_str());
  ::unlink(platform::detail::DoorbellPath(id).c_str());
}

// Makes the caller uid (and gid) `uid`; only root can.
inline bool SwitchToUser(uid_t uid) {
  const gid_t gid = uid;
  return uid == ::geteuid() ||
         (::setgroups(1, &gid) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0);
}

}  // namespace testing_platform
