// The vantor1 process seen from outside: how it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "hostlink/host_session.h"
#include "tests/watcher/host_end.h"

namespace {

using namespace std::chrono_literals;

// Calls attempt until it succeeds or timeout passes.
template <typename F>
bool Retry(F attempt, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!attempt()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// A child process running path offscreen; killed if it is still running at the end.
class Child {
 public:
  explicit Child(const char* path) : pid_(fork()) {
    if (pid_ == 0) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      // Sanitizer builds: what exit() leaves held while the window is up is not our leak.
      setenv("LSAN_OPTIONS", "suppressions=" EXIT_PATH_LSAN_SUPP ":print_suppressions=0", 1);
      execl(path, path, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Child() {
    if (status_ == kRunning) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // The exit status; kRunning while it runs after timeout, -1 when it ended otherwise.
  int WaitForExit(std::chrono::milliseconds timeout) {
    Retry(
        [&] {
          int raw = 0;
          if (waitpid(pid_, &raw, WNOHANG) == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
          }
          return status_ != kRunning;
        },
        timeout);
    return status_;
  }
  // Posts to the child's main thread (its id is the pid) once its queue exists.
  bool Post(std::uint32_t message, platform::WParam wParam, platform::LParam lParam) {
    return Retry([&] { return platform::PostThreadMessage(pid_, message, wParam, lParam); }, 20s);
  }

  static constexpr int kRunning = 1000;

 private:
  pid_t pid_;
  int status_ = kRunning;
};

}  // namespace

TEST(ProgramExit, escapeInTheMainWindowEndsTheProcessWithStatusZero) {
  Child child(VANTOR1_ESC_CHILD);
  EXPECT_EQ(child.WaitForExit(20s), 0);
}

TEST(ProgramExit, hostsQuitMessageEndsTheRunningProgramWithStatusZero) {
  const std::int32_t readIndex = testhost::FreshReadIndex();
  testhost::HostRing host(readIndex, 4096);
  ASSERT_TRUE(host.Ready());
  Child child(VANTOR1_PATH);
  ASSERT_TRUE(child.Post(IpcNewPipeMessage(), static_cast<platform::WParam>(readIndex), 4096));
  // The window stays up until the host says otherwise.
  ASSERT_TRUE(child.Post(IpcDataReadyMessage(), 0, 0));
  ASSERT_EQ(child.WaitForExit(200ms), Child::kRunning);

  ASSERT_TRUE(host.Put(testhost::ArgumentMessage(0, {"Alpha"})));
  ASSERT_TRUE(host.Put(testhost::Frame(1003, 0)));
  ASSERT_TRUE(child.Post(IpcDataReadyMessage(), 0, 0));
  EXPECT_EQ(child.WaitForExit(20s), 0);
}
