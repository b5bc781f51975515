#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The leading decimal integer of text: an optional sign, then digits; whatever follows is
// ignored and a text without leading digits reads as 0 ("0:" reads 0). Values beyond the
// 32-bit range saturate at its limits, so no text can overflow the reader.
std::int32_t LeadingDecimal(std::string_view text);

// A game notification line from the server, the one grammar that the program, the relay and the
// host simulator read. The line is cut at single spaces (two spaces in a row make an empty
// token). Servers send it in two shapes:
//   Game notification: Bobby (1500) vs. Carol (----) rated blitz 5 0: Game 12    (12 spaces)
//   Game notification: Bobby (1500) vs. Carol (----) rated blitz 5 0             (10 spaces)
// The first is the host's: any line of exactly 12 spaces whose token 1 is "notification:"
// (case-sensitive) is read as one. The second comes from servers that do not number the game;
// as nothing but that token marks the 12-space shape, the shorter one must also show its fixed
// words (token 0 "Game", token 4 "vs.") before it is taken. Token 2 is player A, 5 player B,
// 7 the rating word, 8 the variant word, 9 the initial minutes, 10 the increment in seconds,
// and 12, in the long shape, the game number.
struct GameNotification {
  static constexpr int kSpaces = 12;
  static constexpr int kUnnumberedSpaces = 10;

  std::string playerA;   // lower-cased
  std::string playerB;   // lower-cased
  bool unrated = false;  // the rating word's first five bytes, lower-cased, are "unrat"
  bool wild = false;     // the variant word's first four bytes, lower-cased, are "wild"
  std::int32_t initialMinutes = 0;
  std::int32_t incrementSeconds = 0;
  // Token 12's number when it starts with a digit; none in the 10-space shape.
  std::optional<std::int32_t> game;

  // Initial minutes plus two thirds of the increment, truncated toward zero.
  double Etime() const;
};

// The notification in line, or nothing when the line is not one.
std::optional<GameNotification> ParseGameNotification(std::string_view line);
