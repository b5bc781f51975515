#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/thread_id.h"

namespace platform {

struct ExitStatus {
  bool known = true;       // false for an attached process, whose status only its parent sees
  bool signalled = false;  // crashed: `code` is the signal number, or on Windows the exception
  int code = 0;
};
std::string Describe(const ExitStatus& status);
// Ended by its starter's own stop or by the user's interrupt, which reached both: no crash.
bool EndedByStop(const ExitStatus& status);
// Ended by the user's interrupt (Ctrl-C) alone.
bool EndedByInterrupt(const ExitStatus& status);

// A program this process started, or one it works with by its main thread (vantor1 for hostsim
// and the relay; the user's chess client for the relay's --client).
class Program {
 public:
  // Starts argv[0] (searched in PATH) with the arguments after it. The child is ended when its
  // starter dies, so that an interrupted run leaves no program behind. Null, with a reason in
  // `error`, when it could not be started (exec failures included).
  static std::unique_ptr<Program> Spawn(const std::vector<std::string>& argv, std::string& error);
  // Runs body in a forked copy of this process, which ends with body's result. For
  // single-threaded callers only (as after any fork). POSIX only: elsewhere null, with a reason.
  static std::unique_ptr<Program> Fork(const std::function<int()>& body, std::string& error);
  // A process running already; `thread` is its main thread.
  static std::unique_ptr<Program> Attach(platform::ThreadId thread);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  platform::ThreadId Thread() const { return thread_; }
  bool Spawned() const { return spawned_; }
  // What the end can be awaited on: a descriptor readable once the process has ended (POSIX),
  // or the process's handle (Windows); -1 when the kernel cannot say so.
  std::intptr_t ExitWaitable() const { return exitWaitable_; }

  // Never blocks. The status once the process has ended; none while it runs.
  std::optional<ExitStatus> Poll();
  // Ends a spawned process: SIGTERM, then SIGKILL when it is still there after timeoutMs (on
  // Windows, which has no polite request for a windowless program, it is terminated at once).
  // Returns its status; none for an attached process or one that would not go.
  std::optional<ExitStatus> Terminate(int timeoutMs);
  // Waits up to timeoutMs for the end; the status, or none on time-out.
  std::optional<ExitStatus> WaitForExit(int timeoutMs);

 private:
  // A program this process started, with its main thread and what its end is awaited on.
  static std::unique_ptr<Program> Adopt(platform::ThreadId thread, std::intptr_t exitWaitable) {
    std::unique_ptr<Program> program(new Program());
    program->thread_ = thread;
    program->spawned_ = true;
    program->exitWaitable_ = exitWaitable;
    return program;
  }
  Program() = default;

  platform::ThreadId thread_ = 0;
  bool spawned_ = false;
  std::intptr_t exitWaitable_ = -1;
  std::optional<ExitStatus> status_;
};

}  // namespace platform
