// The host's side against the program's own pipe ends, in one process: the test thread is
// both the host and the program.
#include <gtest/gtest.h>
#include <poll.h>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "hostlink/ring.h"
#include "platform/thread_id.h"
#include "tools/hostsim/host_side.h"

namespace hostsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class HostSideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host_ = HostSide::Create(platform::CurrentThreadId(), HostSide::PrivateIndexBase(), error);
    ASSERT_TRUE(host_) << error;
  }

  HostPipe* Create(PipeEnd end, std::int32_t size) {
    std::string error;
    HostPipe* pipe = host_->CreatePipe(end, size, error);
    EXPECT_TRUE(pipe) << error;
    return pipe;
  }

  Bytes ReadAll(CIpcPipe& pipe) {
    Bytes bytes(pipe.RingSize());
    const std::int32_t n = pipe.Read(bytes.data(), -1);
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return bytes;
  }

  bool PostWaiting() {
    pollfd p{host_->Descriptor(), POLLIN, 0};
    return poll(&p, 1, 0) == 1;
  }

  std::unique_ptr<HostSide> host_;
};

TEST_F(HostSideTest, PipesAreNumberedFromTheBaseByDirection) {
  const std::int32_t base = host_->IndexBase();
  HostPipe* toProgram = Create(PipeEnd::ToProgram, 64);
  HostPipe* toHost = Create(PipeEnd::ToHost, 64);
  HostPipe* toProgram2 = Create(PipeEnd::ToProgram, 64);
  EXPECT_EQ(toProgram->Index(), base + 1);
  EXPECT_EQ(toHost->Index(), base + 2);
  EXPECT_EQ(toProgram2->Index(), base + 3);
  // Only the host's own pipe carries its thread id before the program opens anything.
  EXPECT_EQ(toHost->LoadReaderThreadId(), platform::CurrentThreadId());
  EXPECT_EQ(toProgram->LoadReaderThreadId(), 0u);
}

TEST_F(HostSideTest, FramesReachTheProgramWholeAcrossTheRingsEnd) {
  HostPipe* pipe = Create(PipeEnd::ToProgram, 16);
  CIpcPipe readEnd;
  ASSERT_EQ(readEnd.Open(pipe->Index(), 16), 1);
  EXPECT_EQ(pipe->LoadReaderThreadId(), platform::CurrentThreadId());
  const Bytes first = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const Bytes second = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  SendResult sent = host_->Send(first);
  EXPECT_EQ(sent.status, PipeStatus::Ok);
  EXPECT_TRUE(sent.posted);
  EXPECT_EQ(ReadAll(readEnd), first);
  // Starts at offset 10 of 16: six bytes at the tail, four from the start.
  EXPECT_EQ(host_->Send(second).status, PipeStatus::Ok);
  EXPECT_EQ(LoadRingHeader(pipe->View()).writeIndex, 4);
  EXPECT_EQ(ReadAll(readEnd), second);
}

TEST_F(HostSideTest, FramesThatDoNotFitAreNotWrittenAtAll) {
  HostPipe* pipe = Create(PipeEnd::ToProgram, 16);
  EXPECT_EQ(host_->Send(Bytes(16, 1)).status, PipeStatus::TooLarge);
  EXPECT_EQ(host_->Send(Bytes(10, 1)).status, PipeStatus::Ok);
  EXPECT_EQ(host_->Send(Bytes(6, 2)).status, PipeStatus::NoRoom);  // 5 bytes free
  EXPECT_EQ(host_->Send(Bytes(5, 3)).status, PipeStatus::Ok);
  const RingHeader header = LoadRingHeader(pipe->View());
  EXPECT_EQ(header.readIndex, 0);
  EXPECT_EQ(header.writeIndex, 15);
}

TEST_F(HostSideTest, ProgramMessagesAreDecodedInOrderAcrossTheRingsEnd) {
  HostPipe* pipe = Create(PipeEnd::ToHost, 16);
  CIpcPipe writeEnd;
  ASSERT_EQ(writeEnd.Open(pipe->Index(), 16), 1);
  std::vector<WireMessage> received;
  for (int round = 0; round < 4; ++round) {  // 12 bytes a round: wraps in rounds 2 and 3
    EXPECT_EQ(SendValue(writeEnd, 5, 100 + 2 * round), 1);
    EXPECT_EQ(SendValue(writeEnd, 5, 101 + 2 * round), 1);
    EXPECT_TRUE(PostWaiting());
    for (WireMessage& m : host_->TakeIncoming()) {
      received.push_back(std::move(m));
    }
    EXPECT_FALSE(PostWaiting());
  }
  ASSERT_EQ(received.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(received[i], ValueWire(5, 100 + i));
  }
  EXPECT_FALSE(host_->TakeProblem());
}

TEST_F(HostSideTest, IndexesOutsideTheRingAreNeverFollowed) {
  HostPipe* toProgram = Create(PipeEnd::ToProgram, 16);
  HostPipe* toHost = Create(PipeEnd::ToHost, 16);
  StoreReadIndex(toProgram->View(), 16);
  EXPECT_EQ(host_->Send(Bytes{1, 2}).status, PipeStatus::BadIndex);
  EXPECT_EQ(LoadRingHeader(toProgram->View()).writeIndex, 0);
  StoreWriteIndex(toHost->View(), -3);
  EXPECT_TRUE(host_->TakeIncoming().empty());
  const auto problem = host_->TakeProblem();
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("pipe 2"), std::string::npos) << *problem;
  EXPECT_EQ(LoadRingHeader(toHost->View()).readIndex, 0);
}

}  // namespace
}  // namespace hostsim
