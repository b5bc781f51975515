// The messages as the host builds, reads and prints them, and the answers it gives as server.
#include <gtest/gtest.h>

#include "tools/hostsim/describe.h"
#include "tools/hostsim/server_model.h"

namespace hostsim {
namespace {

using namespace hostside;

using Bytes = std::vector<std::uint8_t>;
using namespace std::string_literals;

TEST(Wire, ArgumentMessageFollowsTheArgumentLayoutUpToItsLengthLimit) {
  const Bytes expected = {0xE9, 0x03, 16, 0,                      // kind 1001, length
                          0,    0,    43, 0,   0, 0, 0, 0, 3, 0,  // unused, type, unused, argCount
                          '1',  '2',  0,  'O', 0, 0};             // "12", "O", ""
  EXPECT_EQ(*ArgumentMessage(43, {"12", "O", ""}), expected);
  EXPECT_TRUE(ArgumentMessage(1, {std::string(32756, 'x')}));  // payload of exactly 32767
  EXPECT_FALSE(ArgumentMessage(1, {std::string(32757, 'x')}));
}

TEST(Wire, DecoderKeepsPartialFramesAndReadsLengthsAsSixteenUnsignedBits) {
  FrameDecoder decoder;
  Bytes stream = {5, 0, 2, 0, 0xDB, 0x05, 2, 0, 0xFF, 0xFF};
  stream.resize(stream.size() + 0xFFFF, 'x');
  decoder.Feed(Bytes(stream.begin(), stream.begin() + 8));
  EXPECT_EQ(decoder.Next(), ValueWire(5, 1499));
  EXPECT_FALSE(decoder.Next());
  decoder.Feed(Bytes(stream.begin() + 8, stream.end()));
  const auto text = decoder.Next();
  ASSERT_TRUE(text);
  EXPECT_EQ(text->payload.size(), 0xFFFFu);
  EXPECT_EQ(decoder.Buffered(), 0u);
}

TEST(Wire, ReceivedMessagesPrintAsValuesOrEscapedText) {
  EXPECT_EQ(DescribeReceived(ValueWire(5, 1499)), "< 5 value 1499");
  EXPECT_EQ(DescribeReceived(TextWire(2, "observe alpha\n")), R"(< 2 text "observe alpha\n\0")");
  // Value kinds with another length, and other kinds with two bytes, print as text.
  EXPECT_EQ(DescribeReceived(WireMessage{6, {1, 2, 3}}), R"(< 6 text "\001\002\003")");
  EXPECT_EQ(DescribeReceived(WireMessage{2, {'a', 0}}), R"(< 2 text "a\0")");
  EXPECT_EQ(CEscape("\0"s
                    "1\0x\"\\\t\r\x7f\xe9"s),
            R"(\0001\0x\"\\\t\r\177\351)");
}

TEST(ServerModel, ObserveOpensThenLeavesTheNewestGameOfThePlayerAndGnotifyKeepsTheList) {
  ServerModel model;
  model.Announce({7, "alpha", "beta"});
  model.Announce({9, "gamma", "alpha"});
  EXPECT_FALSE(model.Command("observe nobody\n\0"s));
  EXPECT_FALSE(model.Command("finger alpha\n\0"s));
  for (char letter : {'O', 'X'}) {
    const auto answer = model.Command("observe Alpha\n\0"s);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->game, 9);
    EXPECT_EQ(answer->letter, letter);
    model.Reported(*answer);
  }
  model.Reported({7, 'O'});
  model.Reported({7, 'O'});
  EXPECT_EQ(model.OpenBoards(), 1u);  // games, not relations
  model.EndGame(7);
  EXPECT_EQ(model.OpenBoards(), 0u);
  model.Command("+gnotify alpha\n\0"s);
  model.Command("+gnotify beta\n\0"s);
  model.Command("-gnotify ALPHA\n\0"s);
  EXPECT_EQ(model.NotifyList(), (std::vector<std::string>{"beta"}));
}

}  // namespace
}  // namespace hostsim
