// Announcements, the handshake and the senders, the test playing the host in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/host_session.h"
#include "platform/last_error.h"
#include "platform/thread_id.h"
#include "tests/hostlink/test_host.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendValue(Bytes& bytes, std::uint8_t kind, int value) {
  bytes.insert(bytes.end(), {kind, 0, 2, 0, static_cast<std::uint8_t>(value & 0xFF),
                             static_cast<std::uint8_t>(value >> 8)});
}

const Bytes& ExpectedHandshake() {
  static const Bytes bytes = [] {
    Bytes b = {1, 0, 11, 0, 'v', 'a', 'n', 't', 'o', 'r', '2', '0', '0', '8', 0};
    AppendValue(b, 4, 1);
    for (int value = 100; value <= 1499; ++value) {
      AppendValue(b, 5, value);
    }
    AppendValue(b, 6, 43);
    AppendValue(b, 6, 0);
    return b;
  }();
  return bytes;
}

Bytes Twice(const Bytes& bytes) {
  Bytes twice = bytes;
  twice.insert(twice.end(), bytes.begin(), bytes.end());
  return twice;
}

// The host's two ends, created before the announcements.
class HostSession : public ::testing::Test {
 protected:
  platform::WParam ReadIndex() const { return static_cast<platform::WParam>(readHost_.Index()); }
  platform::WParam WriteIndex() const { return static_cast<platform::WParam>(writeHost_.Index()); }

  TestHostPipe readHost_{FreshPipeIndex(true), 4096};
  TestHostPipe writeHost_{FreshPipeIndex(false), 65536};
};

TEST_F(HostSession, ReadThenWriteAnnouncementSendsHandshakeOnWriteEndOnly) {
  EXPECT_EQ(HandleNewPipe(ReadIndex(), 4096), NewPipeResult::ReadOpened);
  EXPECT_EQ(readHost_.Header().readerThreadId, platform::CurrentThreadId());
  EXPECT_TRUE(writeHost_.Drain().empty());
  EXPECT_EQ(HandleNewPipe(WriteIndex(), 65536), NewPipeResult::WriteOpened);
  EXPECT_EQ(writeHost_.Drain(), ExpectedHandshake());
  EXPECT_EQ(readHost_.Header().writeIndex, 0);
}

TEST_F(HostSession, WriteThenReadAnnouncementSendsHandshakeOnce) {
  EXPECT_EQ(HandleNewPipe(WriteIndex(), 65536), NewPipeResult::WriteOpened);
  EXPECT_EQ(HandleNewPipe(ReadIndex(), 4096), NewPipeResult::ReadOpened);
  EXPECT_EQ(writeHost_.Drain(), ExpectedHandshake());
}

TEST_F(HostSession, SecondWriteAnnouncementSendsHandshakeAgain) {
  ASSERT_EQ(HandleNewPipe(WriteIndex(), 65536), NewPipeResult::WriteOpened);
  ASSERT_EQ(HandleNewPipe(WriteIndex(), 65536), NewPipeResult::WriteOpened);
  EXPECT_EQ(writeHost_.Drain(), Twice(ExpectedHandshake()));

  TestHostPipe newHost(FreshPipeIndex(false), 65536);
  ASSERT_EQ(HandleNewPipe(static_cast<platform::WParam>(newHost.Index()), 65536),
            NewPipeResult::WriteOpened);
  EXPECT_EQ(newHost.Drain(), ExpectedHandshake());
  EXPECT_TRUE(writeHost_.Drain().empty());
}

TEST(HostSessionFailure, AnnouncementOfMissingObjectsOrBadSizeFails) {
  EXPECT_EQ(HandleNewPipe(FreshPipeIndex(true), 4096), NewPipeResult::ReadFailed);
  EXPECT_EQ(HandleNewPipe(FreshPipeIndex(false), 4096), NewPipeResult::WriteFailed);
  TestHostPipe host(FreshPipeIndex(false), 4096);
  const platform::LParam tooLarge = platform::LParam{1} << 32 | 4096;  // not truncated to 4096
  EXPECT_EQ(HandleNewPipe(static_cast<platform::WParam>(host.Index()), tooLarge),
            NewPipeResult::WriteFailed);
  EXPECT_EQ(HandleNewPipe(static_cast<platform::WParam>(host.Index()), 8192),
            NewPipeResult::WriteFailed);
}

TEST(HostSessionSenders, TextMustFitTheLengthFieldAndValuesTravelAsLow16Bits) {
  TestHostPipe host(FreshPipeIndex(false), 0x20000);
  CIpcPipe pipe;
  EXPECT_EQ(SendValue(pipe, 4, 1), 0);  // not opened yet
  ASSERT_EQ(pipe.Open(host.Index(), 0x20000), 1);
  SendText(pipe, 2, std::string(0xFFFF, 'a').c_str());
  EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrTooLarge);
  EXPECT_TRUE(host.Drain().empty());
  SendText(pipe, 2, std::string(0xFFFE, 'a').c_str());
  const Bytes sent = host.Drain();
  ASSERT_EQ(sent.size(), 0xFFFEu + 5);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 4), (Bytes{2, 0, 0xFF, 0xFF}));
  EXPECT_EQ(sent.back(), 0);
  SendValue(pipe, 0x10005, 70000);
  EXPECT_EQ(host.Drain(), (Bytes{5, 0, 2, 0, 0x70, 0x11}));
}

}  // namespace
