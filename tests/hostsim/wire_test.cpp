// The messages as the host builds and reads them, and how they are printed.
#include <gtest/gtest.h>

#include "tools/hostsim/notification.h"
#include "tools/hostsim/wire.h"

namespace hostsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Wire, ArgumentMessageFollowsTheArgumentLayout) {
  const Bytes expected = {0xE9, 0x03, 16, 0,                      // kind 1001, length
                          0,    0,    43, 0,   0, 0, 0, 0, 3, 0,  // unused, type, unused, argCount
                          '1',  '2',  0,  'O', 0, 0};             // "12", "O", ""
  EXPECT_EQ(*ArgumentMessage(43, {"12", "O", ""}), expected);
  EXPECT_TRUE(ArgumentMessage(1, {std::string(32756, 'x')}));  // payload of exactly 32767
  EXPECT_FALSE(ArgumentMessage(1, {std::string(32757, 'x')}));
}

TEST(Wire, HandshakeIsTheRegistrationInOrder) {
  const auto& handshake = ExpectedHandshake();
  ASSERT_EQ(handshake.size(), 1404u);
  EXPECT_EQ(handshake[0], TextWire(1, "vantor2008"));
  EXPECT_EQ(handshake[1], ValueWire(4, 1));
  EXPECT_EQ(handshake[2], ValueWire(5, 100));
  EXPECT_EQ(handshake[1401], ValueWire(5, 1499));
  EXPECT_EQ(handshake[1402], ValueWire(6, 43));
  EXPECT_EQ(handshake[1403], ValueWire(6, 0));
}

TEST(Wire, DecoderKeepsAPartialFrameUntilItIsWhole) {
  FrameDecoder decoder;
  const Bytes stream = {5, 0, 2, 0, 0xDB, 0x05, 2, 0, 3, 0, 'h', 'i', 0};
  decoder.Feed(Bytes(stream.begin(), stream.begin() + 8));
  auto first = decoder.Next();
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, ValueWire(5, 1499));
  EXPECT_FALSE(decoder.Next());
  decoder.Feed(Bytes(stream.begin() + 8, stream.end()));
  auto second = decoder.Next();
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, TextWire(2, "hi"));
  EXPECT_EQ(decoder.Buffered(), 0u);
}

TEST(Wire, DecoderReadsTheLengthAsSixteenUnsignedBits) {
  FrameDecoder decoder;
  Bytes frame = {2, 0, 0xFF, 0xFF};
  frame.resize(4 + 0xFFFF, 'x');
  decoder.Feed(frame);
  const auto message = decoder.Next();
  ASSERT_TRUE(message);
  EXPECT_EQ(message->payload.size(), 0xFFFFu);
}

TEST(Wire, ReceivedMessagesPrintAsValuesOrEscapedText) {
  EXPECT_EQ(DescribeReceived(ValueWire(5, 1499)), "< 5 value 1499");
  EXPECT_EQ(DescribeReceived(TextWire(2, "observe alpha\n")), R"(< 2 text "observe alpha\n\0")");
  // Value kinds with another length, and other kinds with two bytes, print as text.
  EXPECT_EQ(DescribeReceived(WireMessage{6, {1, 2, 3}}), R"(< 6 text "\001\002\003")");
  EXPECT_EQ(DescribeReceived(WireMessage{2, {'a', 0}}), R"(< 2 text "a\0")");
  EXPECT_EQ(DescribeReceived(WireMessage{-1, {}}), R"(< -1 text "")");
}

TEST(Wire, EscapesReadBackUnambiguously) {
  EXPECT_EQ(CEscape(std::string("\0"
                                "1\0x\"\\\t\r\x7f\xe9",
                                10)),
            R"(\0001\0x\"\\\t\r\177\351)");
}

TEST(Notification, LineHasTwelveSpacesAndReadsBack) {
  GameNotice notice;
  notice.game = 123;
  notice.playerA = "Alpha";
  notice.ratingA = 1812;
  notice.playerB = "beta";
  notice.ratingB = 1790;
  notice.rated = false;
  notice.variant = "wild/5";
  notice.minutes = 3;
  notice.increment = 2;
  const std::string line = NotificationLine(notice);
  EXPECT_EQ(line, "Game notification: Alpha (1812) vs. beta (1790) unrated wild/5 3 2 : 123");
  const auto read = ReadNotificationLine(line);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->game, 123);
  EXPECT_EQ(read->playerA, "alpha");
  EXPECT_EQ(read->playerB, "beta");
}

TEST(Notification, OtherLinesAreNoNotifications) {
  const std::string good = "Game notification: a (1) vs. b (2) rated blitz 5 0 : 7";
  ASSERT_TRUE(ReadNotificationLine(good));
  EXPECT_FALSE(ReadNotificationLine(good + " "));  // 13 spaces
  EXPECT_FALSE(ReadNotificationLine("Game Notification: a (1) vs. b (2) rated blitz 5 0 : 7"));
  EXPECT_FALSE(ReadNotificationLine("Game notification: a (1) vs. b (2) rated blitz 5 0 : x"));
  EXPECT_FALSE(ReadNotificationLine(""));
}

}  // namespace
}  // namespace hostsim
