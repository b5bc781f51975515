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

// The read end sends nothing; each write end announced gets the whole registration (the order
// of announcements and a second write end are played in tests/e2e).
TEST(HostSession, WriteAnnouncementSendsTheHandshake) {
  const auto readHost = NewHostPipe(PipeEnd::ToProgram, 4096);
  const auto writeHost = NewHostPipe(PipeEnd::ToHost, 65536);
  EXPECT_EQ(HandleNewPipe(static_cast<platform::WParam>(readHost->Index()), 4096),
            NewPipeResult::ReadOpened);
  EXPECT_EQ(Header(*readHost).readerThreadId, platform::CurrentThreadId());
  EXPECT_TRUE(writeHost->TakeAll().empty());
  EXPECT_EQ(HandleNewPipe(static_cast<platform::WParam>(writeHost->Index()), 65536),
            NewPipeResult::WriteOpened);
  EXPECT_EQ(writeHost->TakeAll(), ExpectedHandshake());
  EXPECT_EQ(Header(*readHost).writeIndex, 0);
}

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
