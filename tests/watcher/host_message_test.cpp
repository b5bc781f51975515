#include "watcher/host_message.h"

#include <gtest/gtest.h>

#include "hostside/loopback.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// A header alone, of any length.
Bytes Header(int kind, int length) {
  Bytes bytes(kFrameHeaderSize);
  StoreFrameHeader(bytes.data(),
                   {static_cast<std::uint16_t>(kind), static_cast<std::uint16_t>(length)});
  return bytes;
}

class HostMessageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(link.Opened()); }
  void Put(const Bytes& bytes) { ASSERT_TRUE(link.Put(bytes)); }
  std::unique_ptr<HostMessage> Read() {
    return ReadHostMessage(link.readPipe, link.writePipe, state);
  }
  // The next message, or an empty record and a failure when there is none.
  std::unique_ptr<HostMessage> Next() {
    auto message = Read();
    EXPECT_TRUE(message) << "no message";
    return message ? std::move(message) : std::make_unique<HostMessage>();
  }
  // The next message must be a value message of this kind and value: proof that the messages
  // before it were taken out of the ring to the byte.
  void ExpectValue(std::int16_t kind, std::uint16_t value) {
    auto message = Next();
    EXPECT_EQ(message->kind, kind);
    EXPECT_EQ(message->value, value);
  }

  hostside::Loopback link;
  WatchState state;
};

// Payload bytes left in the ring (unlisted kinds, long values, a quit with a payload) used to
// be read as the next header.
TEST_F(HostMessageTest, EveryPayloadIsTakenWholeFromTheRingAndFramingHolds) {
  Put(Frame(1002, Bytes{'a', 0, 'b'}));
  Put(Frame(999, Bytes{1, 0, 2, 0, 9}));
  Put(Frame(12, Bytes{}));
  Put(Frame(5, Bytes{0x2A, 0, 0xE9, 0x03, 0x02, 0x00}));
  Put(Frame(10, Bytes{9}));
  Put(Frame(1003, Bytes{0xEE, 0xEE}));
  Put(Frame(8, Bytes{0x34, 0x12}));
  EXPECT_EQ(Next()->payload, (Bytes{'a', 0, 'b'}));
  EXPECT_EQ(Read(), nullptr);  // an unlisted kind reports no message...
  EXPECT_EQ(Read(), nullptr);
  ExpectValue(5, 42);  // ...and long values keep their first two bytes
  ExpectValue(10, 9);
  EXPECT_EQ(Next()->kind, 1003);
  EXPECT_TRUE(state.quitRequested);
  ExpectValue(8, 0x1234);
  EXPECT_EQ(Read(), nullptr);
}

// A negative length used to become a huge allocation and payload read.
TEST_F(HostMessageTest, NegativeLengthTornHeaderOrUnopenedEndYieldNothing) {
  for (std::int16_t kind : {1, 5, 1001, 1003}) {
    Put(Header(kind, -1));
    EXPECT_EQ(Read(), nullptr) << "kind " << kind;
  }
  EXPECT_FALSE(state.quitRequested);
  Put(Bytes{7, 0, 2});
  EXPECT_EQ(Read(), nullptr);
  CIpcPipe unopened;
  EXPECT_EQ(ReadHostMessage(unopened, link.writePipe, state), nullptr);
}

// The argument walk used to run past the payload when argCount promised more strings than it
// held, when the last string had no NUL, or when the payload was shorter than its head.
TEST_F(HostMessageTest, ArgumentWalkStopsAtTheEndOfThePayload) {
  Put(Frame(kArgumentKind, ArgumentPayload(43, 3, {"12"})));
  Bytes unterminated = ArgumentPayload(0, 2, {"x"});
  unterminated.insert(unterminated.end(), {'b', 'o', 'b'});
  Put(Frame(kArgumentKind, unterminated));
  Put(Frame(kArgumentKind, ArgumentPayload(0, -2, {"mallory"})));
  Put(Frame(1001, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 2}));
  Put(Frame(7, Bytes{'Z', 0}));
  auto message = Next();
  EXPECT_EQ(message->args, Texts{"12"});
  EXPECT_EQ(message->Arg(1), "");
  EXPECT_TRUE(state.watchedGames.empty());  // the absent relation letter is none
  EXPECT_EQ(Next()->args, (Texts{"x", "bob"}));
  EXPECT_TRUE(Next()->args.empty());
  message = Next();
  EXPECT_EQ(message->ArgCount(), 2);  // the missing byte reads 0
  EXPECT_TRUE(message->args.empty());
  EXPECT_EQ(state.myName, "x");
  ExpectValue(7, 'Z');
}

}  // namespace
