// The shared ring must survive what other processes of the user may do to it: die holding its
// lock, or leave its counters damaged.
#include "platform/queue_ring.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include "child_process.h"
#include "platform/robust_mutex.h"

namespace {

using platform::detail::PopEntry;
using platform::detail::PushEntry;
using platform::detail::PushResult;
using platform::detail::QueueBlock;
using platform::detail::QueueEntry;

class QueueRing : public ::testing::Test {
 protected:
  void SetUp() override {
    void* addr = ::mmap(nullptr, sizeof(QueueBlock), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(addr, MAP_FAILED);
    block_ = static_cast<QueueBlock*>(addr);
    ASSERT_TRUE(platform::detail::InitQueue(block_, 1));
  }
  void TearDown() override {
    platform::detail::ReleaseQueue(block_);
    ::munmap(block_, sizeof(QueueBlock));
  }

  // Pushes with a doorbell that always answers; counts the wake-ups sent.
  PushResult Push(std::uint64_t w) {
    return PushEntry(block_, QueueEntry{1, 2, w, 0},
                     [this] { return ++wakes_, platform::detail::WakeResult::Sent; });
  }

  QueueBlock* block_ = nullptr;
  int wakes_ = 0;
};

TEST_F(QueueRing, PosterDyingWithLockHeldDoesNotStopReceiverNorStrandWakeups) {
  ASSERT_EQ(Push(5), PushResult::Pushed);
  ASSERT_EQ(wakes_, 1);
  platform::detail::ClearWakePending(block_);
  // The child dies after flagging a wake-up as pending, before it could send the byte.
  ASSERT_EQ(testing_platform::RunInChild([&] {
              if (platform::detail::LockRobust(&block_->header.mutex) !=
                  platform::detail::LockResult::Locked) {
                return 1;
              }
              block_->header.wakePending = 1;
              return 0;
            }),
            0);
  auto entry = PopEntry(block_);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->wParam, 5u);
  EXPECT_EQ(Push(6), PushResult::Pushed);
  EXPECT_EQ(wakes_, 2) << "the dead poster's flag kept the receiver asleep";
}

TEST_F(QueueRing, DamagedCountersNeverIndexOutsideTheRing) {
  block_->header.head = 10;
  block_->header.tail = 10 + platform::detail::kQueueCapacity + 1;
  EXPECT_EQ(Push(1), PushResult::Failed);
  EXPECT_FALSE(PopEntry(block_));
  // The receiver dropped what it could not trust and works again.
  EXPECT_EQ(Push(2), PushResult::Pushed);
  EXPECT_EQ(PopEntry(block_)->wParam, 2u);
}

}  // namespace
