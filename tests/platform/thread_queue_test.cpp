#include "platform/thread_queue.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "child_process.h"
#include "platform/doorbell.h"
#include "platform/user_shm.h"

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

// Takes everything pending; waits (bounded) for wake-ups until `expected` messages came.
std::vector<platform::ThreadMessage> Collect(ThreadMessageQueue& queue, std::size_t expected) {
  std::vector<platform::ThreadMessage> got;
  while (got.size() < expected && queue.WaitForWakeup(5000)) {
    queue.ClearWakeups();
    while (auto message = queue.Take()) {
      got.push_back(*message);
    }
  }
  return got;
}

// A child that posts `count` messages numbered from 0 in wParam; exits with the failures (capped).
int PostSequence(ThreadId target, int count, std::uint32_t message = kMsg) {
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    if (!PostThreadMessage(target, message, static_cast<platform::WParam>(i), -i)) {
      ++failures;
    }
  }
  return failures > 100 ? 100 : failures;
}

TEST(ThreadQueue, OwnPostsArriveInOrderWithTheirValues) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  EXPECT_FALSE(Readable(queue->Descriptor()));
  const ThreadId self = platform::CurrentThreadId();
  ASSERT_TRUE(PostThreadMessage(self, 1, UINTPTR_MAX, INTPTR_MIN));
  ASSERT_TRUE(PostThreadMessage(self, 2, 0, -1));
  EXPECT_TRUE(queue->WaitForWakeup(0));
  queue->ClearWakeups();
  EXPECT_FALSE(Readable(queue->Descriptor()));
  auto first = queue->Take();
  auto second = queue->Take();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->message, 1u);
  EXPECT_EQ(first->wParam, UINTPTR_MAX);
  EXPECT_EQ(first->lParam, INTPTR_MIN);
  EXPECT_EQ(second->message, 2u);
  EXPECT_EQ(second->lParam, -1);
  EXPECT_FALSE(queue->Take());
  // Wake() leaves a wake-up of its own; a second queue on the thread is refused.
  queue->Wake();
  EXPECT_TRUE(Readable(queue->Descriptor()));
  EXPECT_EQ(ThreadMessageQueue::Create(), nullptr);
}

TEST(ThreadQueue, EachPosterOrderKeptAcrossProcesses) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  constexpr int kEach = 2000;
  Child a([&] { return PostSequence(self, kEach, 0xC001); });
  Child b([&] { return PostSequence(self, kEach, 0xC002); });
  auto got = Collect(*queue, 2 * kEach);
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_EQ(b.Wait(), 0);
  ASSERT_EQ(got.size(), 2u * kEach);
  platform::WParam next[2] = {0, 0};
  for (const auto& m : got) {
    ASSERT_TRUE(m.message == 0xC001 || m.message == 0xC002);
    platform::WParam& expected = next[m.message - 0xC001];
    ASSERT_EQ(m.wParam, expected) << "poster " << m.message << " out of order";
    EXPECT_EQ(m.lParam, -static_cast<platform::LParam>(expected));
    ++expected;
  }
}

// The host posts a wake-up per message written; a handshake is well over a thousand of them
// while the receiver is busy elsewhere.
TEST(ThreadQueue, BurstOfTenThousandFromAnotherProcessAllAcceptedAndDelivered) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  ASSERT_EQ(RunInChild([&] { return PostSequence(self, 10000); }), 0);
  auto got = Collect(*queue, 10000);
  ASSERT_EQ(got.size(), 10000u);
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].wParam, i);
  }
  EXPECT_FALSE(queue->Take());
}

TEST(ThreadQueue, PostRefusedForFullnessLeavesWakeupPending) {
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  Signal filled;
  Signal cleared;
  Child child([&] {
    int accepted = 0;
    while (accepted < 100000 && PostThreadMessage(self, kMsg, accepted, 0)) {
      ++accepted;
    }
    filled.Notify();
    if (!cleared.WaitFor()) {
      return 1;
    }
    return PostThreadMessage(self, kMsg, 0, 0) ? 2 : (accepted >= 10000 ? 0 : 3);
  });
  ASSERT_TRUE(filled.WaitFor());
  queue->ClearWakeups();
  ASSERT_FALSE(Readable(queue->Descriptor()));
  cleared.Notify();
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(Readable(queue->Descriptor()));
  std::size_t taken = 0;
  while (queue->Take()) {
    ++taken;
  }
  EXPECT_GE(taken, 10000u);
  // Room again: posting works.
  EXPECT_TRUE(PostThreadMessage(self, kMsg, 0, 0));
}

TEST(ThreadQueue, PostToThreadWithoutQueueFails) {
  EXPECT_FALSE(PostThreadMessage(0, kMsg, 0, 0));
  EXPECT_FALSE(PostThreadMessage(platform::CurrentThreadId(), kMsg, 0, 0));
}

TEST(ThreadQueue, PostToEndedThreadFails) {
  for (bool destroyQueue : {true, false}) {
    ThreadId ended = 0;
    std::unique_ptr<ThreadMessageQueue> outlives;
    std::thread([&] {
      auto queue = ThreadMessageQueue::Create();
      ended = platform::CurrentThreadId();
      // Posted to while alive, so this poster holds a cached handle on it.
      EXPECT_TRUE(PostThreadMessage(ended, kMsg, 0, 0));
      if (!destroyQueue) {
        outlives = std::move(queue);  // the queue goes with its thread all the same
      }
    }).join();
    EXPECT_FALSE(PostThreadMessage(ended, kMsg, 0, 0)) << "destroyed: " << destroyQueue;
    testing_platform::RemoveQueueLeftovers(static_cast<pid_t>(ended));
  }
}

TEST(ThreadQueue, PostToKilledProcessFailsThoughItsObjectsRemain) {
  Signal ready;
  Child receiver([&] {
    auto queue = ThreadMessageQueue::Create();
    ready.Notify();
    ::pause();
    return queue ? 0 : 1;
  });
  ASSERT_TRUE(ready.WaitFor());
  const auto tid = static_cast<ThreadId>(receiver.Pid());
  EXPECT_TRUE(PostThreadMessage(tid, kMsg, 0, 0));
  receiver.Kill(SIGKILL);
  receiver.Wait();
  // Once through the handle cached by the post above, once through a fresh lookup.
  EXPECT_FALSE(PostThreadMessage(tid, kMsg, 0, 0));
  EXPECT_FALSE(PostThreadMessage(tid, kMsg, 0, 0));
  testing_platform::RemoveQueueLeftovers(receiver.Pid());
}

// The usual way out of the program is exit() with its queue still alive.
TEST(ThreadQueue, ExitWithQueueAliveRemovesItsNames) {
  Child child([] {
    auto queue = ThreadMessageQueue::Create();
    std::exit(queue ? 0 : 1);
    return 2;
  });
  const auto id = static_cast<ThreadId>(child.Pid());
  ASSERT_EQ(child.Wait(), 0);
  const std::string ring = platform::detail::UserObjectName("tq", std::to_string(id));
  EXPECT_EQ(::access(("/dev/shm" + ring).c_str(), F_OK), -1);
  EXPECT_EQ(::access(platform::detail::DoorbellPath(id).c_str(), F_OK), -1);
  EXPECT_FALSE(PostThreadMessage(id, kMsg, 0, 0));
}

TEST(ThreadQueue, PostsFromAnotherUserAreDropped) {
  if (!testing_platform::CanSwitchUser()) {
    GTEST_SKIP() << "needs root to run a child as another user";
  }
  auto queue = ThreadMessageQueue::Create();
  ASSERT_NE(queue, nullptr);
  const ThreadId self = platform::CurrentThreadId();
  EXPECT_EQ(RunInChild([&] {
              if (!testing_platform::SwitchToNobody()) {
                return 1;
              }
              return PostThreadMessage(self, kMsg, 0, 0) ? 2 : 0;
            }),
            0);
  EXPECT_FALSE(queue->WaitForWakeup(50));
  EXPECT_FALSE(queue->Take());
}

}  // namespace
