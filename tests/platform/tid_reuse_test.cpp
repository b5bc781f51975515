// Once a thread has ended its id may be reused. Posts must then reach the new owner's queue if
// it has one and fail if it has none, and the old thread's pending messages must not show up.
// clone3(set_tid), which needs privilege, reuses an id on purpose; the child then execs this
// binary so that the C library knows its new id.
#include <gtest/gtest.h>
#include <linux/sched.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "child_process.h"
#include "platform/thread_queue.h"

namespace {

using platform::PostThreadMessage;
using platform::ThreadMessageQueue;

constexpr std::uint32_t kMsg = 0xC777;

// Runs before main() in an exec'd child, reporting through the descriptor in VANTOR_TQ_FD.
// "queue": 'E' if a new queue starts empty (else 'N'), then 'M' once kMsg with wParam 42
// arrives (else 'X'). "idle": 'R', and lives on without a queue.
const bool kChildModeChecked = [] {
  const char* mode = std::getenv("VANTOR_TQ_MODE");
  const char* fdText = std::getenv("VANTOR_TQ_FD");
  if (mode == nullptr || fdText == nullptr) {
    return true;
  }
  const int fd = std::atoi(fdText);
  auto report = [fd](char what) { (void)!::write(fd, &what, 1); };
  if (std::strcmp(mode, "queue") == 0) {
    auto queue = ThreadMessageQueue::Create();
    report(queue && !queue->Take() ? 'E' : 'N');
    bool got = false;
    while (queue && !got && queue->WaitForWakeup(5000)) {
      queue->ClearWakeups();
      while (auto m = queue->Take()) {
        got = got || (m->message == kMsg && m->wParam == 42);
      }
    }
    report(got ? 'M' : 'X');
  } else {
    report('R');
  }
  ::pause();
  ::_exit(0);
}();

// A child of this binary in `mode` whose process id is `pid`; -1 when that cannot be had.
pid_t SpawnWithId(pid_t pid, const char* mode, int reportFd) {
  clone_args args{};
  args.exit_signal = SIGCHLD;
  args.set_tid = reinterpret_cast<std::uint64_t>(&pid);
  args.set_tid_size = 1;
  long rc = ::syscall(SYS_clone3, &args, sizeof(args));
  if (rc == 0) {
    std::string modeEnv = std::string("VANTOR_TQ_MODE=") + mode;
    std::string fdEnv = "VANTOR_TQ_FD=" + std::to_string(reportFd);
    char* const argv[] = {const_cast<char*>("tid_reuse_child"), nullptr};
    char* const envp[] = {modeEnv.data(), fdEnv.data(), nullptr};
    ::execve("/proc/self/exe", argv, envp);
    ::_exit(127);
  }
  return rc > 0 ? static_cast<pid_t>(rc) : -1;
}

char ReadReport(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  char what = '?';
  return ::poll(&pfd, 1, 10000) == 1 && ::read(fd, &what, 1) == 1 ? what : '?';
}

void End(pid_t pid) {
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

TEST(ThreadQueueIdReuse, PostsFollowTheIdToItsNewOwnerOrFail) {
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  // The id's first owner is killed with a message pending; this poster keeps a handle on it.
  testing_platform::Signal ready;
  auto first = std::make_unique<testing_platform::Child>([&] {
    auto queue = ThreadMessageQueue::Create();
    ready.Notify();
    ::pause();
    return 0;
  });
  ASSERT_TRUE(ready.WaitFor());
  const pid_t id = first->Pid();
  ASSERT_TRUE(PostThreadMessage(id, kMsg, 1, 0));
  first.reset();

  const pid_t withQueue = SpawnWithId(id, "queue", report[1]);
  if (withQueue <= 0) {
    testing_platform::RemoveQueueLeftovers(id);
    ::close(report[0]);
    ::close(report[1]);
    GTEST_SKIP() << "cannot choose a child's id here (needs privilege and a free id)";
  }
  EXPECT_EQ(ReadReport(report[0]), 'E') << "the new queue showed the old thread's message";
  EXPECT_TRUE(PostThreadMessage(id, kMsg, 42, 0));
  EXPECT_EQ(ReadReport(report[0]), 'M');
  End(withQueue);
  const pid_t withoutQueue = SpawnWithId(id, "idle", report[1]);
  ASSERT_GT(withoutQueue, 0);
  EXPECT_EQ(ReadReport(report[0]), 'R');
  EXPECT_FALSE(PostThreadMessage(id, kMsg, 42, 0));
  End(withoutQueue);
  testing_platform::RemoveQueueLeftovers(id);
  ::close(report[0]);
  ::close(report[1]);
}

}  // namespace
