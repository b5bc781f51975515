// The host's messages as the program reads them from its ring: one at a time, and drained
// together with what they change in the watch state.
#include <gtest/gtest.h>

#include "tests/support/loopback.h"
#include "watcher/drain.h"
#include "watcher/host_message.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

class HostMessageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(link.Opened()); }
  void Put(const Bytes& bytes) { ASSERT_TRUE(link.Put(bytes)); }
  DrainOutcome Drain() { return DrainReadPipe(link.readPipe, link.writePipe, state); }
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

// A negative length used to become a huge allocation and payload read; tests/e2e/
// malformed_frames.hsim sends it for the data, value and argument kinds, and torn headers.
TEST_F(HostMessageTest, NegativeLengthQuitOrUnopenedEndYieldNothing) {
  Bytes header = Frame(kQuitKind, {});
  header[2] = header[3] = 0xFF;  // length -1
  Put(header);
  EXPECT_EQ(Read(), nullptr);
  EXPECT_FALSE(state.quitRequested);
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

// The title used to be composed in 52 bytes, which a 51-byte name overflows. An empty identity
// keeps the name.
TEST_F(HostMessageTest, TitleIsSetOnceAndHoldsTheLongestNameWhole) {
  EXPECT_FALSE(Drain().newTitle);
  const std::string name(51, 'z');
  Put(FrameArguments(0, {name + "tail"}));
  EXPECT_EQ(Drain().newTitle, "Vantor1 - " + name);
  Put(FrameArguments(0, {"Dave"}));
  Put(FrameArguments(0, {""}));
  Put(FrameArguments(5, {"Other"}));
  EXPECT_FALSE(Drain().newTitle);
  EXPECT_EQ(state.myName, "Dave");
}

// The quit takes effect at the end of the drain that read it. Messages of unlisted kinds are
// read past: a drain that stopped at them stranded the quit when the host's later signals were
// refused by a full queue.
TEST_F(HostMessageTest, QuitBehindUnlistedKindsTakesEffectAfterTheRestOfItsDrain) {
  Put(FrameArguments(43, {"1", "O"}));
  for (int i = 0; i < 3; ++i) {
    Put(Frame(12, {}));
  }
  Put(Frame(kQuitKind, {}));
  Put(FrameArguments(0, {"erin"}));
  Put(FrameArguments(43, {"9", "O"}));
  const DrainOutcome outcome = Drain();
  EXPECT_TRUE(outcome.quit);
  EXPECT_EQ(outcome.newTitle, "Vantor1 - erin");
  EXPECT_EQ(state.watchedGames, (std::vector<std::int32_t>{1, 9}));
  EXPECT_TRUE(link.toProgram->TakeAll().empty());
}

// The name used to be copied unbounded into a 52-byte field; names compare in lower case.
TEST(WatchStateTest,
     SetMyNameKeepsAtMost51BytesWholeCharactersAndLowerCaseChangesOnlyAsciiCapitals) {
  WatchState state;
  const std::string fifty(50, 'n');
  state.SetMyName(fifty + "\xC3\xA9xyz");  // UTF-8: the character that does not fit goes whole
  EXPECT_EQ(state.myName, fifty);
  state.SetMyName(fifty + "\xE9\xE9xyz");  // Latin-1: a byte is a character
  EXPECT_EQ(state.myName, fifty + "\xE9");
  std::string text = "Ab9_Z@[\n\xC4\x80\xFF";
  LowerCaseName(text);
  EXPECT_EQ(text, "ab9_z@[\n\xC4\x80\xFF");
}

}  // namespace
