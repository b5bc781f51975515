// CIpcPipe and the host session on it (announcements, the handshake and the senders), against
// real named objects, the test playing the host in-process.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "hostlink/object_names.h"
#include "platform/last_error.h"
#include "tests/hostlink/test_host.h"
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/user_files.h"
#include "tests/platform/child_process.h"  // the Windows twin lives in tests/win32
#endif

namespace {

constexpr std::int32_t kRing = 16;
// The smallest ring whose view a kRing object cannot hold. Windows sizes objects in whole pages.
#ifdef _WIN32
constexpr std::int32_t kBeyondObject = 4096 - kRingHeaderSize + 1;
#else
constexpr std::int32_t kBeyondObject = kRing + 1;
#endif

std::string RingText(const HostPipe& host) {
  return std::string(reinterpret_cast<const char*>(host.View() + kRingHeaderSize), kRing);
}

// An odd pipe opened by the program: Write posts to the test thread, whose queue collects them.
class IpcPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(hostPipe_);
    queue_ = platform::ThreadMessageQueue::Create();
    ASSERT_TRUE(queue_);
    ASSERT_EQ(pipe_.Open(host_.Index(), kRing), 1);
  }

  std::unique_ptr<HostPipe> hostPipe_ = NewHostPipe(PipeEnd::ToProgram, kRing);
  HostPipe& host_ = *hostPipe_;
  CIpcPipe pipe_;
  std::unique_ptr<platform::ThreadMessageQueue> queue_;
  char buffer_[kRing + 1] = {};
};

TEST_F(IpcPipe, TransfersWrapAtTheRingEndBothWaysAndReadTakesWhatIsThere) {
  EXPECT_EQ(pipe_.Read(buffer_, -1), 0);
  ASSERT_EQ(pipe_.Write("hello", 5), 1);
  EXPECT_EQ(pipe_.Read(buffer_, 0), 0);
  EXPECT_EQ(pipe_.Read(buffer_, 2), 2);
  EXPECT_EQ(pipe_.Read(buffer_, 100), 3);
  EXPECT_EQ(std::string(buffer_, 3), "llo");
  SetIndexes(host_, 12, 12);
  ASSERT_EQ(pipe_.Write("0123456789", 10), 1);
  EXPECT_EQ(RingText(host_), std::string("456789") + std::string(6, '\0') + "0123");
  ASSERT_EQ(pipe_.Read(buffer_, 10), 10);
  EXPECT_EQ(std::string(buffer_, 10), "0123456789");
  EXPECT_EQ(Header(host_).readIndex, 6);
  SetIndexes(host_, 10, 10);  // ending exactly at the end leaves the index at 0
  ASSERT_EQ(pipe_.Write("abcdef", 6), 1);
  EXPECT_EQ(Header(host_).writeIndex, 0);
  ASSERT_EQ(pipe_.Read(buffer_, -1), 6);
  EXPECT_EQ(Header(host_).readIndex, 0);
}

TEST_F(IpcPipe, WriteBeyondFreeSpaceStoresNothing) {
  ASSERT_EQ(pipe_.Write("0123456789abcde", kRing - 1), 1);  // at most size - 1 bytes
  EXPECT_EQ(pipe_.Write("x", 1), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrNoRoom);
  EXPECT_EQ(Header(host_).writeIndex, kRing - 1);
  EXPECT_EQ(TakeAll(*queue_).size(), 1u);
  SetIndexes(host_, 10, 3);  // read index ahead: free = 10 - 3 - 1
  EXPECT_EQ(pipe_.Write("1234567", 7), 0);
  EXPECT_EQ(pipe_.Write("123456", 6), 1);
  EXPECT_EQ(Header(host_).writeIndex, 9);
  SetIndexes(host_, 0, 0);  // a message of the ring's size can never fit, even when empty
  EXPECT_EQ(pipe_.Write("0123456789abcdef", kRing), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrTooLarge);
  EXPECT_EQ(pipe_.Write("0123456789abcdefXYZ", -1), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrTooLarge);
}

TEST_F(IpcPipe, EveryStoringWritePostsIndexAndCountToTheReader) {
  EXPECT_EQ(pipe_.Write("ignored", 0), 1);
  EXPECT_EQ(pipe_.Write("abc", -1), 1);
  EXPECT_EQ(pipe_.Write("", -1), 1);
  EXPECT_EQ(RingText(host_).substr(0, 4), std::string("abc\0", 4));
  const auto posts = TakeAll(*queue_);
  ASSERT_EQ(posts.size(), 2u);
  for (const auto& post : posts) {
    EXPECT_EQ(post.message, IpcDataReadyMessage());
    EXPECT_EQ(post.wParam, static_cast<platform::WParam>(host_.Index()));
  }
  EXPECT_EQ(posts[0].lParam, 3);
  EXPECT_EQ(posts[1].lParam, 0);
  StoreReaderThreadId(host_.View(), 0x7ffffff0);  // no such thread: failure, bytes kept
  EXPECT_EQ(pipe_.Write("de", 2), 0);
  EXPECT_EQ(Header(host_).writeIndex, 5);
}

// Indexes come from the other process; trusting them let a copy run outside the view.
TEST_F(IpcPipe, HeaderIndexesOutsideTheRingAreRefusedWithoutTouchingIt) {
  const std::pair<std::int32_t, std::int32_t> bad[] = {{kRing, 0}, {0, kRing},   {-1, 0},
                                                       {0, -1},    {INT_MIN, 5}, {3, INT_MAX}};
  std::memset(host_.View() + kRingHeaderSize, 0xEE, kRing);
  const std::string ringBefore = RingText(host_);
  for (auto [readIndex, writeIndex] : bad) {
    SetIndexes(host_, readIndex, writeIndex);
    std::memset(buffer_, 0x55, sizeof buffer_);
    EXPECT_EQ(pipe_.Read(buffer_, -1), -1);
    EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrBadIndex);
    EXPECT_EQ(buffer_[0], 0x55);
    EXPECT_EQ(pipe_.Write("abc", 3), 0);
    EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrBadIndex);
    EXPECT_EQ(Header(host_).readIndex, readIndex);
    EXPECT_EQ(Header(host_).writeIndex, writeIndex);
  }
  EXPECT_EQ(RingText(host_), ringBefore);
  EXPECT_TRUE(TakeAll(*queue_).empty());
}

#ifndef _WIN32
// The abandoned wait made the program the owner; keeping it blocked the host for good. (The
// Windows twin is in tests/win32/platform_test.cpp.)
TEST_F(IpcPipe, AbandonedLockFailsOnceAndIsGivenBack) {
  using testing_platform::RunInChild;
  platform::NamedMutex& mutex = host_.Mutex();
  auto dieHoldingLock = [&] { return mutex.Wait() == platform::WaitResult::Signalled; };
  auto lockAndRelease = [&] {
    return mutex.Wait() == platform::WaitResult::Signalled && mutex.Release();
  };
  ASSERT_EQ(pipe_.Write("abc", 3), 1);
  for (bool reading : {true, false}) {
    ASSERT_EQ(RunInChild(dieHoldingLock), 1);
    EXPECT_EQ(reading ? pipe_.Read(buffer_, -1) : pipe_.Write("de", 2), reading ? -1 : 0);
    EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrAbandoned);
    EXPECT_EQ(RunInChild(lockAndRelease), 1) << "lock left owned";
  }
  EXPECT_EQ(pipe_.Read(buffer_, -1), 3);
  EXPECT_EQ(std::string(buffer_, 3), "abc");
  EXPECT_EQ(TakeAll(*queue_).size(), 1u);
}

// A peer that overwrites the lock's bytes can make it look abandoned, never steer our memory (the
// robust mutex kept list pointers there, and its unlock wrote through them).
TEST_F(IpcPipe, LockBytesRewrittenByAPeerCostOneOperationAtMost) {
  const std::string path = platform::detail::UserObjectPath("mutex", PipeMutexName(host_.Index()));
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::vector<std::uint8_t> garbage(64, 0xA5);
  ASSERT_EQ(::pwrite(fd, garbage.data(), 4, 0), 4);  // the owner word
  EXPECT_EQ(pipe_.Write("abc", 3), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrAbandoned);
  ASSERT_EQ(::pwrite(fd, garbage.data(), garbage.size(), 0), 64);  // and everything else
  EXPECT_EQ(pipe_.Write("abc", 3), 0);
  EXPECT_EQ(pipe_.Write("abc", 3), 1);
  EXPECT_EQ(pipe_.Read(buffer_, -1), 3);
  ::close(fd);
}

// A host that shrinks the mapping under an open end costs the operation, not the process.
TEST_F(IpcPipe, MappingShrunkByTheHostFailsTheOperationInsteadOfEndingTheProcess) {
  const std::string path = platform::detail::UserObjectPath("map", PipeMappingName(host_.Index()));
  ASSERT_EQ(::truncate(path.c_str(), 0), 0);
  EXPECT_EQ(pipe_.Read(buffer_, -1), -1);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrViewGone);
  EXPECT_EQ(pipe_.Write("abc", 3), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrViewGone);
}
#endif

// Zero, negative and too large sizes and missing objects are announced in
// tests/e2e/missing_pipes.hsim; these are the cases a script cannot make.
TEST(IpcPipeOpen, UnusableSizesAndMissingObjectsFail) {
  const auto host = NewHostPipe(PipeEnd::ToHost, kRing);
  CIpcPipe pipe;
  EXPECT_EQ(pipe.Open(host->Index(), INT_MAX - 11), 0);  // size + 12 overflows
  const std::int32_t mutexOnly = UnusedIndex(PipeEnd::ToHost);
  auto mutex = platform::NamedMutex::Create(PipeMutexName(mutexOnly));
  EXPECT_EQ(pipe.Open(mutexOnly, kRing), 0);
  EXPECT_FALSE(pipe.IsOpen());
}

TEST(IpcPipeOpen, NeverOpenedEndFailsWithoutTouchingMemory) {
  CIpcPipe pipe;
  char buffer[4] = {'k', 'e', 'e', 'p'};
  EXPECT_EQ(pipe.Read(buffer, -1), -1);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrNotOpen);
  EXPECT_EQ(std::string(buffer, 4), "keep");
  EXPECT_EQ(pipe.Write("abc", 3), 0);
  EXPECT_EQ(pipe.Write("abc", -1), 0);
  EXPECT_EQ(pipe.Write("abc", 0), 0);
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrNotOpen);
}

TEST(IpcPipeOpen, FailedReopenKeepsTheWorkingEndAndGoodReopenReplacesIt) {
  const auto first = NewHostPipe(PipeEnd::ToHost, kRing);
  const auto second = NewHostPipe(PipeEnd::ToHost, kRing);
  CIpcPipe pipe;
  ASSERT_EQ(pipe.Open(first->Index(), kRing), 1);
  EXPECT_EQ(pipe.Open(second->Index(), kBeyondObject), 0);
  pipe.Write("ab", 2);
  EXPECT_EQ(first->TakeAll().size(), 2u);
  ASSERT_EQ(pipe.Open(second->Index(), kRing / 2), 1);
  pipe.Write("cde", 3);
  EXPECT_EQ(first->TakeAll().size(), 0u);
  EXPECT_EQ(second->TakeAll().size(), 3u);
}

using Bytes = std::vector<std::uint8_t>;

// Missing objects and sizes that do not fit are announced in tests/e2e/missing_pipes.hsim; a
// size beyond 32 bits is not cut to its low half there.
TEST(HostSessionFailure, AnnouncedSizeIsNotTruncated) {
  const auto host = NewHostPipe(PipeEnd::ToHost, 4096);
  const platform::LParam tooLarge = platform::LParam{1} << 32 | 4096;
  EXPECT_EQ(HandleNewPipe(static_cast<platform::WParam>(host->Index()), tooLarge),
            NewPipeResult::WriteFailed);
}

TEST(HostSessionSenders, TextMustFitTheLengthFieldAndValuesTravelAsLow16Bits) {
  const auto hostPipe = NewHostPipe(PipeEnd::ToHost, 0x20000);
  HostPipe& host = *hostPipe;
  CIpcPipe pipe;
  EXPECT_EQ(SendValue(pipe, 4, 1), 0);  // not opened yet
  ASSERT_EQ(pipe.Open(host.Index(), 0x20000), 1);
  SendText(pipe, 2, std::string(0xFFFF, 'a').c_str());
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrTooLarge);
  EXPECT_TRUE(host.TakeAll().empty());
  SendText(pipe, 2, std::string(0xFFFE, 'a').c_str());
  const Bytes sent = host.TakeAll();
  ASSERT_EQ(sent.size(), 0xFFFEu + 5);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 4), (Bytes{2, 0, 0xFF, 0xFF}));
  EXPECT_EQ(sent.back(), 0);
  SendValue(pipe, 0x10005, 70000);
  EXPECT_EQ(host.TakeAll(), (Bytes{5, 0, 2, 0, 0x70, 0x11}));
}

}  // namespace
