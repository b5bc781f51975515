#pragma once
#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/thread_id.h"

namespace hostsim {

struct ExitStatus {
  bool known = true;       // false for an attached process, whose status only its parent sees
  bool signalled = false;  // ended by a signal; `code` is the signal number
  int code = 0;
};
std::string Describe(const ExitStatus& status);

// The vantor1 process that hostsim works with: one it started, or one it attached to.
class Program {
 public:
  // Starts argv[0] with the arguments after it. The child is ended when hostsim dies. Null,
  // with a reason in `error`, when it could not be started (exec failures included).
  static std::unique_ptr<Program> Spawn(const std::vector<std::string>& argv, std::string& error);
  // Runs body in a forked copy of this process, which ends with body's result. For
  // single-threaded callers only (as after any fork).
  static std::unique_ptr<Program> Fork(const std::function<int()>& body, std::string& error);
  // A process running already; `thread` is its main thread.
  static std::unique_ptr<Program> Attach(platform::ThreadId thread);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  platform::ThreadId Thread() const { return thread_; }
  bool Spawned() const { return spawned_; }
  // Readable once the process has ended; -1 when the kernel cannot say so.
  int ExitDescriptor() const { return exitFd_; }

  // Never blocks. The status once the process has ended; none while it runs.
  std::optional<ExitStatus> Poll();
  // Ends a spawned process: SIGTERM, then SIGKILL when it is still there after timeoutMs.
  // Returns its status; none for an attached process or one that would not go.
  std::optional<ExitStatus> Terminate(int timeoutMs);
  // Waits up to timeoutMs for the end; the status, or none on time-out.
  std::optional<ExitStatus> WaitForExit(int timeoutMs);

 private:
  // A program this process started: its main thread id is its process id.
  static std::unique_ptr<Program> Adopt(pid_t pid);
  Program() = default;

  platform::ThreadId thread_ = 0;
  bool spawned_ = false;
  int exitFd_ = -1;
  std::optional<ExitStatus> status_;
};

}  // namespace hostsim
