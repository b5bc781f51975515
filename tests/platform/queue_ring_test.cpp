// The shared ring must survive what other processes of the user may do to it: die holding its
// lock, or leave its counters damaged.
#include "platform/posix/queue_ring.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <memory>

#include "child_process.h"

namespace {

using platform::detail::PopEntry;
using platform::detail::PushEntry;
using platform::detail::PushResult;
using platform::detail::QueueBlock;
using platform::detail::QueueEntry;

class QueueRing : public ::testing::Test {
 protected:
  void SetUp() override {
    fd_ = ::memfd_create("queue", MFD_CLOEXEC);
    ASSERT_EQ(::ftruncate(fd_, sizeof(QueueBlock)), 0);
    void* addr = ::mmap(nullptr, sizeof(QueueBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    ASSERT_NE(addr, MAP_FAILED);
    block_ = static_cast<QueueBlock*>(addr);
    ASSERT_TRUE(platform::detail::HoldMark(fd_, platform::detail::kLifeMarkSlot));
    platform::detail::InitQueue(block_, 1);
    lock_ = std::make_unique<platform::detail::SharedLock>(&block_->header.ringOwner);
    probeFd_ = ::open(("/proc/self/fd/" + std::to_string(fd_)).c_str(), O_RDWR | O_CLOEXEC);
  }
  void TearDown() override {
    lock_.reset();
    ::munmap(block_, sizeof(QueueBlock));
    ::close(probeFd_);
    ::close(fd_);
  }

  platform::detail::QueueAccess Access() {
    return {block_, lock_.get(), probeFd_, platform::detail::CallingThread()};
  }

  // Pushes with a doorbell that answers `answer`; counts the wake-ups sent.
  PushResult Push(std::uint64_t w,
                  platform::detail::WakeResult answer = platform::detail::WakeResult::Sent) {
    return PushEntry(Access(), QueueEntry{1, 2, w, 0}, [&] { return ++wakes_, answer; });
  }

  int fd_ = -1;
  int probeFd_ = -1;  // another open of the file, as a poster has
  QueueBlock* block_ = nullptr;
  std::unique_ptr<platform::detail::SharedLock> lock_;
  int wakes_ = 0;
};

TEST_F(QueueRing, PosterDyingWithLockHeldDoesNotStopReceiverNorStrandWakeups) {
  ASSERT_EQ(Push(5), PushResult::Pushed);
  ASSERT_EQ(wakes_, 1);
  platform::detail::ClearWakePending(Access());
  // The child dies after flagging a wake-up as pending, before it could send the byte.
  ASSERT_EQ(testing_platform::RunInChild([&] {
              if (lock_->Lock() != platform::detail::LockResult::Locked) {
                return 1;
              }
              block_->header.wakePending = 1;
              return 0;
            }),
            0);
  auto entry = PopEntry(Access());
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->wParam, 5u);
  EXPECT_EQ(Push(6), PushResult::Pushed);
  EXPECT_EQ(wakes_, 2) << "the dead poster's flag kept the receiver asleep";
}

// A word holding only the waiters' flag names no holder; the lock slept on it for ever.
TEST_F(QueueRing, FreeLockFlaggedAsWaitedOnIsTaken) {
  block_->header.ringOwner.store(0x80000000u);
  EXPECT_EQ(lock_->Lock(), platform::detail::LockResult::Locked);
  EXPECT_TRUE(lock_->Unlock());
  EXPECT_EQ(block_->header.ringOwner.load(), 0u);
}

// A holder that died but is not reaped yet is a zombie, which kill() still finds; a host that
// waited for the lock before reaping its vantor1 waited for ever.
TEST_F(QueueRing, HolderDeadButNotYetReapedCountsAsGone) {
  testing_platform::Child holder(
      [&] { return lock_->Lock() == platform::detail::LockResult::Locked ? 0 : 1; });
  ASSERT_TRUE(holder.AwaitExit()) << "the child neither took the lock nor ended";
  EXPECT_EQ(
      testing_platform::Bounded("lock of a dead, unreaped holder", [&] { return lock_->Lock(); }),
      platform::detail::LockResult::Recovered);
  lock_->Unlock();
}

// The lock keeps no pointer in the block: a rewritten lock word costs at most a recovery (the
// robust mutex's unlock wrote through the pointers it found there).
TEST_F(QueueRing, DamagedCountersAndLockWordNeverIndexOutsideTheRing) {
  std::memset(static_cast<void*>(&block_->header.ringOwner), 0xA5, 4 + sizeof block_->reserved);
  block_->header.head = 10;
  block_->header.tail = 10 + platform::detail::kQueueCapacity + 1;
  EXPECT_EQ(Push(1), PushResult::Failed);
  EXPECT_FALSE(PopEntry(Access()));
  // The receiver dropped what it could not trust and works again.
  EXPECT_EQ(Push(2), PushResult::Pushed);
  EXPECT_EQ(PopEntry(Access())->wParam, 2u);
}

}  // namespace

// The doorbell is sent after unlocking; a send that fails takes the entry back and lets the next
// poster send, unless the receiver took it or others posted after it meanwhile.
TEST_F(QueueRing, FailedWakeTakesTheEntryBackAndLeavesNoWakeOwed) {
  using platform::detail::WakeResult;
  EXPECT_EQ(Push(1, WakeResult::NoReceiver), PushResult::NoReceiver);
  EXPECT_EQ(block_->header.tail, block_->header.head);
  EXPECT_EQ(Push(2, WakeResult::Failed), PushResult::Failed);
  EXPECT_EQ(Push(3), PushResult::Pushed);
  EXPECT_EQ(wakes_, 3) << "a failed send left a wake-up owed";
  EXPECT_EQ(PopEntry(Access())->wParam, 3u);
}
