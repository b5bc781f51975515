// The host's reading of the program's byte stream: the ring hands over whatever bytes are there,
// so a frame may arrive in any number of pieces, and its header's length field alone says where
// the next one begins.
#include <gtest/gtest.h>

#include <algorithm>

#include "hostside/wire.h"

namespace hostside {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A text, a value, an empty message and the longest text, whose length field 0xFFFF would read
// as -1 if taken as signed.
Bytes Stream() {
  Bytes stream = {2, 0, 3, 0, 'a', 'b', 0, 5, 0, 2, 0, 0xDB, 0x05, 7, 0, 0, 0, 2, 0, 0xFF, 0xFF};
  stream.resize(stream.size() + 0xFFFF, 'x');
  return stream;
}

const std::vector<WireMessage>& StreamMessages() {
  static const std::vector<WireMessage> messages = {
      {2, {'a', 'b', 0}}, {5, {0xDB, 0x05}}, {7, {}}, {2, Bytes(0xFFFF, 'x')}};
  return messages;
}

TEST(FrameDecoder, FramesComeOutWholeHoweverTheStreamIsCut) {
  const Bytes stream = Stream();
  for (std::size_t piece :
       {std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{4096}, stream.size()}) {
    FrameDecoder decoder;
    std::vector<WireMessage> got;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      decoder.Feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)));
      while (std::optional<WireMessage> message = decoder.Next()) {
        got.push_back(std::move(*message));
      }
    }
    EXPECT_TRUE(got == StreamMessages()) << "in pieces of " << piece << ": " << got.size();
    EXPECT_EQ(decoder.Buffered(), 0u);
  }
}

// Cut inside the header, right after it, and one byte short of the payload's end (which the
// bytes after the header alone would cover: the length check must count the header too).
TEST(FrameDecoder, UnfinishedFrameIsHeldUntilItsLastByte) {
  const Bytes frame = {2, 0, 6, 0, 'a', 'b', 'c', 'd', 'e', 0};
  for (std::size_t cut : {1, 3, 4, 9}) {
    FrameDecoder decoder;
    decoder.Feed(std::span(frame).first(cut));
    EXPECT_FALSE(decoder.Next()) << "cut after " << cut << " bytes";
    EXPECT_EQ(decoder.Buffered(), cut);
    decoder.Feed(std::span(frame).subspan(cut));
    const std::optional<WireMessage> message = decoder.Next();
    ASSERT_TRUE(message) << "cut after " << cut << " bytes";
    EXPECT_EQ(message->Bytes(), std::string_view("abcde\0", 6));
    EXPECT_EQ(decoder.Buffered(), 0u);
  }
}

}  // namespace
}  // namespace hostside
