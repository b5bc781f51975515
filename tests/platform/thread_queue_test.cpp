#include "platform/thread_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "child_process.h"

namespace {

using platform::PostThreadMessage;
using platform::ThreadId;
using platform::ThreadMessageQueue;
using testing_platform::Child;
using testing_platform::RunInChild;
using testing_platform::Signal;

constexpr std::uint32_t kMsg = 0xC123;

bool Readable(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  return ::poll(&pfd, 1, 0) == 1;
}

// Posts `count` messages with wParam i and lParam -i; the failures, capped, as an exit code.
int PostSequence(ThreadId target, int count, std::uint32_t message) {
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    failures += PostThreadMessage(target, message, static_cast<platform::WParam>(i), -i) ? 0 : 1;
  }
  return std::min(failures, 100);
}

// The host posts a wake-up per message written, a handshake over a thousand of them, while the
// receiver is busy elsewhere: two posters at once, nothing taken until both are done.
TEST(ThreadQueue, BurstsFromOtherProcessesAreAllAcceptedAndKeepEachPostersOrder) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  constexpr int kCounts[2] = {10000, 2000};
  Child a([&] { return PostSequence(self, kCounts[0], 0xC000); });
  Child b([&] { return PostSequence(self, kCounts[1], 0xC001); });
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_EQ(b.Wait(), 0);
  platform::WParam next[2] = {0, 0};
  while (auto message = queue->Take()) {
    const platform::ThreadMessage& m = *message;
    ASSERT_TRUE(m.message == 0xC000 || m.message == 0xC001);
    platform::WParam& expected = next[m.message - 0xC000];
    ASSERT_EQ(m.wParam, expected) << "poster " << m.message << " out of order";
    EXPECT_EQ(m.lParam, -static_cast<platform::LParam>(expected));
    ++expected;
  }
  EXPECT_EQ(next[0] + next[1], static_cast<platform::WParam>(kCounts[0] + kCounts[1]));
}

TEST(ThreadQueue, PostRefusedForFullnessLeavesWakeupPending) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  Signal filled, cleared;
  Child child([&] {
    for (int i = 0; i < 100000 && PostThreadMessage(self, kMsg, i, 0); ++i) {
    }
    filled.Notify();
    return !cleared.WaitFor() ? 1 : PostThreadMessage(self, kMsg, 0, 0) ? 2 : 0;
  });
  ASSERT_TRUE(filled.WaitFor());
  queue->ClearWakeups();
  ASSERT_FALSE(Readable(queue->Descriptor()));
  cleared.Notify();
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(Readable(queue->Descriptor()));
  while (queue->Take()) {
  }
  EXPECT_TRUE(PostThreadMessage(self, kMsg, 0, 0)) << "room again";
}

TEST(ThreadQueue, PostToThreadWithoutQueueFails) {
  EXPECT_FALSE(PostThreadMessage(0, kMsg, 0, 0));
  EXPECT_FALSE(PostThreadMessage(platform::CurrentThreadId(), kMsg, 0, 0));
}

// Each receiver is posted to while alive, so this poster holds a cached handle on its queue.
TEST(ThreadQueue, PostToEndedThreadFails) {
  for (bool destroyQueue : {true, false}) {
    ThreadId ended = 0;
    std::unique_ptr<ThreadMessageQueue> outlives;
    std::thread([&] {
      auto queue = ThreadMessageQueue::Create();
      ended = platform::CurrentThreadId();
      EXPECT_TRUE(PostThreadMessage(ended, kMsg, 0, 0));
      if (!destroyQueue) {
        outlives = std::move(queue);  // the queue goes with its thread all the same
      }
    }).join();
    EXPECT_FALSE(PostThreadMessage(ended, kMsg, 0, 0)) << "destroyed: " << destroyQueue;
    testing_platform::RemoveQueueLeftovers(static_cast<pid_t>(ended));
  }
  // A process killed (its objects remain) or ending through exit() with its queue alive (the
  // usual way out of the program, which removes the names); killed too while a child that it
  // forked goes on holding copies of its descriptors.
  enum class End { Killed, Exits, KilledLeavingChild };
  for (End end : {End::Killed, End::Exits, End::KilledLeavingChild}) {
    const bool killed = end != End::Exits;
    Signal ready, go, childGo;
    Child receiver([&] {
      auto queue = ThreadMessageQueue::Create();
      // A forked child says ready itself: its side of the fork is done by then.
      if (end == End::KilledLeavingChild && ::fork() == 0) {
        ready.Notify();
        ::_exit(childGo.WaitFor() ? 0 : 1);
      }
      if (end != End::KilledLeavingChild) {
        ready.Notify();
      }
      go.WaitFor();
      std::exit(queue ? 0 : 1);
      return 2;
    });
    ASSERT_TRUE(ready.WaitFor());
    const auto id = static_cast<ThreadId>(receiver.Pid());
    EXPECT_TRUE(PostThreadMessage(id, kMsg, 0, 0));
    killed ? receiver.Kill(SIGKILL) : go.Notify();
    EXPECT_EQ(receiver.Wait(), killed ? -SIGKILL : 0);
    // Once through the cached handle, once through a fresh lookup.
    EXPECT_FALSE(PostThreadMessage(id, kMsg, 0, 0)) << "end: " << static_cast<int>(end);
    EXPECT_FALSE(PostThreadMessage(id, kMsg, 0, 0)) << "end: " << static_cast<int>(end);
    childGo.Notify();
    if (!killed) {
      const std::string ring = platform::detail::UserObjectPath("tq", std::to_string(id));
      EXPECT_NE(::access(ring.c_str(), F_OK), 0);
      EXPECT_NE(::access(platform::detail::DoorbellPath(id).c_str(), F_OK), 0);
    }
    testing_platform::RemoveQueueLeftovers(receiver.Pid());
  }
}

TEST(ThreadQueue, PostsFromAnotherUserAreDropped) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to run a child as another user";
  }
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  EXPECT_EQ(RunInChild([&] {
              return !testing_platform::SwitchToUser(65534) ? 1
                     : PostThreadMessage(self, kMsg, 0, 0)  ? 2
                                                            : 0;
            }),
            0);
  // The child's post has returned: an accepted one would have left its wake-up already.
  EXPECT_FALSE(queue->WaitForWakeup(0));
  EXPECT_FALSE(queue->Take());
}

}  // namespace
