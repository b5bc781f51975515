#pragma once
#include <sys/types.h>

#include <functional>
#include <string>

// Cross-process test helpers. Every wait is bounded.
namespace testing_platform {

// A forked child running `body` (its exit code is body's result); killed and reaped when
// destroyed if still running.
class Child {
 public:
  explicit Child(const std::function<int()>& body);
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();
  pid_t Pid() const { return pid_; }
  // Exit code, -(signal) if a signal ended it; a child still running after timeoutMs is killed.
  int Wait(int timeoutMs = 10000);
  void Kill(int signal);

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  bool reaped_ = false;
};

int RunInChild(const std::function<int()>& body, int timeoutMs = 10000);

// A one-way notification through a pipe, for "ready"/"go" between parent and child.
class Signal {
 public:
  Signal();
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  ~Signal();
  void Notify();
  bool WaitFor(int timeoutMs = 10000);

 private:
  int fds_[2] = {-1, -1};
};

// A name no other test process uses.
std::string UniqueName(const std::string& what);
// Removes the queue objects that a killed receiver thread left behind.
void RemoveQueueLeftovers(pid_t thread);
// Root only can run a child as another user; SwitchToNobody makes the caller uid 65534.
bool CanSwitchUser();
bool SwitchToNobody();

}  // namespace testing_platform
