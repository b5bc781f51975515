// The vantor1 process seen from outside: Esc in its main window, and SIGTERM, end it with
// status 0. (The host's quit message is driven through the host simulator in tests/e2e.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/posix/user_files.h"

namespace {

using namespace std::chrono_literals;

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
  // The exit status; kRunning while it still runs after timeout, -1 when it ended otherwise.
  int WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int raw = 0; status_ == kRunning && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(5ms)) {
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      }
    }
    return status_;
  }

  pid_t Pid() const { return pid_; }

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

// A logout or a terminating host ends vantor1 with SIGTERM: it must unwind like any other end,
// removing its thread queue, not die and leave the queue's shared memory behind.
TEST(ProgramExit, terminationSignalEndsTheProcessWithStatusZeroAndRemovesItsQueue) {
  Child child(VANTOR1_PATH);
  const std::filesystem::path queue =
      platform::detail::UserObjectPath("tq", std::to_string(child.Pid()));
  for (int i = 0; i < 2000 && !std::filesystem::exists(queue); ++i) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(std::filesystem::exists(queue));
  std::this_thread::sleep_for(200ms);  // let the window's loop start
  kill(child.Pid(), SIGTERM);
  EXPECT_EQ(child.WaitForExit(20s), 0);
  EXPECT_FALSE(std::filesystem::exists(queue));
}
