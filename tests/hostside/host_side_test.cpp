// The host's side against the program's own pipe ends, in one process: the test thread is
// both the host and the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "hostlink/object_names.h"
#include "hostlink/ring.h"
#include "hostside/host_side.h"
#include "platform/thread_id.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/user_files.h"
#endif

namespace hostside {
namespace {

using Bytes = std::vector<std::uint8_t>;

class HostSideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Numbering starts afresh in each test, also where the tests share one process.
    Result<std::unique_ptr<HostSide>> host =
        HostSide::Create(platform::CurrentThreadId(), PrivateIndexBase());
    ASSERT_TRUE(host) << host.Message();
    host_ = std::move(host).Take();
    const Result<HostPipe*> reading = host_->CreatePipe(PipeEnd::ToProgram, 16);
    const Result<HostPipe*> writing = host_->CreatePipe(PipeEnd::ToHost, 16);
    ASSERT_TRUE(reading && writing) << reading.Message() << writing.Message();
    toProgram = *reading;
    toHost = *writing;
  }

  std::unique_ptr<HostSide> host_;
  HostPipe* toProgram = nullptr;
  HostPipe* toHost = nullptr;
};

// Pipes are numbered from the base, odd towards the program; frames wrap at the ring's end
// both ways, and one that does not fit is not written at all.
TEST_F(HostSideTest, FramesCrossTheRingsEndWholeBothWays) {
  EXPECT_EQ(toProgram->Index(), host_->IndexBase() + 1);
  EXPECT_EQ(toHost->Index(), host_->IndexBase() + 2);
  EXPECT_EQ(toHost->LoadReaderThreadId(), platform::CurrentThreadId());
  CIpcPipe readEnd, writeEnd;
  ASSERT_EQ(readEnd.Open(toProgram->Index(), 16), 1);
  ASSERT_EQ(writeEnd.Open(toHost->Index(), 16), 1);
  Bytes got(16);
  for (std::uint8_t round = 0; round < 3; ++round) {  // 10 bytes a round: wraps in round 1
    const Bytes frame(10, round);
    ASSERT_EQ(host_->Send(frame).Code(), ErrorCode::Ok);
    EXPECT_EQ(host_->Send(Bytes(6, 9)).Code(), ErrorCode::NoRoom);
    ASSERT_EQ(readEnd.Read(got.data(), -1), 10);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 10), frame);
  }
  EXPECT_EQ(host_->Send(Bytes(16, 1)).Code(), ErrorCode::TooLarge);
  std::vector<WireMessage> received;
  for (int round = 0; round < 4; ++round) {  // 12 bytes a round: wraps in rounds 2 and 3
    EXPECT_EQ(SendValue(writeEnd, 5, 100 + 2 * round), 1);
    EXPECT_EQ(SendValue(writeEnd, 5, 101 + 2 * round), 1);
    std::ranges::move(host_->TakeIncoming(), std::back_inserter(received));
  }
  ASSERT_EQ(received.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(received[i], ValueWire(5, 100 + i));
  }
  EXPECT_FALSE(host_->TakeProblem());
}

TEST_F(HostSideTest, IndexesOutsideTheRingAreNeverFollowed) {
  StoreReadIndex(toProgram->View(), 16);
  EXPECT_EQ(host_->Send(Bytes{1, 2}).Code(), ErrorCode::BadIndex);
  EXPECT_EQ(LoadRingHeader(toProgram->View()).writeIndex, 0);
  StoreWriteIndex(toHost->View(), -3);
  EXPECT_TRUE(host_->TakeIncoming().empty());
  const auto problem = host_->TakeProblem();
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("pipe 2"), std::string::npos) << *problem;
  EXPECT_EQ(LoadRingHeader(toHost->View()).readIndex, 0);
}

#ifndef _WIN32
// A peer that shrinks a pipe's mapping or mutex costs the operation that met it: the status
// says so, and the pipe counts as broken for good.
TEST_F(HostSideTest, ShrunkPipeObjectsFailTheOperationWithTheirStatus) {
  for (const char* kind : {"map", "mutex"}) {
    const std::string name = kind == std::string("map") ? PipeMappingName(toProgram->Index())
                                                        : PipeMutexName(toHost->Index());
    ASSERT_EQ(::truncate(platform::detail::UserObjectPath(kind, name).c_str(), 0), 0);
  }
  const ErrorCode sent = host_->Send(Bytes{1, 2}).Code();
  EXPECT_EQ(sent, ErrorCode::ViewGone);
  EXPECT_TRUE(Broken(sent));
  EXPECT_TRUE(host_->TakeIncoming().empty());
  const auto problem = host_->TakeProblem();
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("pipe 2: the pipe's mutex"), std::string::npos) << *problem;
}

// A post of "IPCDataReady" that the program's full queue refused is made again once it has
// room, so that what it announces (a quit, say) is not left unread.
TEST_F(HostSideTest, RefusedDataReadyIsPostedAgainOnceTheQueueHasRoom) {
  int posts = 0;
  while (platform::PostThreadMessage(platform::CurrentThreadId(), 0x1234, 0, 0)) {
    ASSERT_LT(++posts, 1 << 20) << "the queue never fills";
  }
  const Result<Sent> sent = host_->Send(Bytes{1, 2});
  ASSERT_TRUE(sent) << sent.Message();
  EXPECT_FALSE(sent->posted);
  EXPECT_TRUE(host_->SignalPending());
  host_->RetrySignal();
  EXPECT_TRUE(host_->SignalPending());  // still full
  host_->TakeIncoming();
  host_->RetrySignal();
  EXPECT_FALSE(host_->SignalPending());
}
#endif  // files shrunk under a mapping are POSIX's, and Wine's thread queues never fill

}  // namespace
}  // namespace hostside
