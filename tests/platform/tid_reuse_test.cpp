// A reused thread id: posts reach the new owner's queue or fail, never the old one's messages.
// clone3(set_tid), which needs privilege, reuses an id on purpose; the child then execs this
// binary so that the C library knows its new id.
#include <gtest/gtest.h>
#include <linux/sched.h>
#include <sys/socket.h>

#include "child_process.h"
#include "platform/thread_queue.h"

namespace {

using platform::PostThreadMessage;
using platform::ThreadMessageQueue;

constexpr std::uint32_t kMsg = 0xC777;

// Runs before main() in the exec'd child, talking through the socket at descriptor 3: 'R'
// while it has no queue; after a byte from the parent it creates one and sends 'E' if it
// starts empty (else 'N'), then 'M' once kMsg with wParam 42 arrives (else 'X').
const bool kChildModeChecked = [] {
  if (std::getenv("VANTOR_TQ_REUSED") == nullptr) {
    return true;
  }
  char go = 0;
  auto report = [](char what) { (void)!::write(3, &what, 1); };
  report('R');
  (void)!::read(3, &go, 1);
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
  ::pause();
  ::_exit(0);
}();

// A child of this binary with process id `pid`, talking through `fd`; -1 when that cannot be.
pid_t SpawnWithId(pid_t pid, int fd) {
  clone_args args{};
  args.exit_signal = SIGCHLD;
  args.set_tid = reinterpret_cast<std::uint64_t>(&pid);
  args.set_tid_size = 1;
  const long rc = ::syscall(SYS_clone3, &args, sizeof(args));
  if (rc == 0) {
    char* const argv[] = {const_cast<char*>("tid_reuse_child"), nullptr};
    char* const envp[] = {const_cast<char*>("VANTOR_TQ_REUSED=1"), nullptr};
    if (::dup2(fd, 3) == 3) {
      ::execve("/proc/self/exe", argv, envp);
    }
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
  if (pid > 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

TEST(ThreadQueueIdReuse, PostsFollowTheIdToItsNewOwnerOrFail) {
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

  int talk[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, talk), 0);
  // Reused with a queue, then (the poster now holding a handle on that queue) without one.
  const pid_t withQueue = SpawnWithId(id, talk[1]);
  if (withQueue > 0) {
    EXPECT_EQ(ReadReport(talk[0]), 'R');
    EXPECT_EQ(::write(talk[0], "", 1), 1);
    EXPECT_EQ(ReadReport(talk[0]), 'E') << "the new queue showed the old thread's message";
    EXPECT_TRUE(PostThreadMessage(id, kMsg, 42, 0));
    EXPECT_EQ(ReadReport(talk[0]), 'M');
    End(withQueue);
    const pid_t withoutQueue = SpawnWithId(id, talk[1]);
    EXPECT_EQ(ReadReport(talk[0]), 'R');
    EXPECT_FALSE(PostThreadMessage(id, kMsg, 42, 0));
    End(withoutQueue);
  }
  testing_platform::RemoveQueueLeftovers(id);
  ::close(talk[0]);
  ::close(talk[1]);
  if (withQueue <= 0) {
    GTEST_SKIP() << "cannot choose a child's id here (needs privilege and a free id)";
  }
}

}  // namespace
