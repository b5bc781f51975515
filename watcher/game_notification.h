#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The leading decimal integer of text: an optional sign, then digits; whatever follows is
// ignored and a text without leading digits reads as 0 ("0:" reads 0). Values beyond the
// 32-bit range saturate at its limits, so no text can overflow the reader.
std::int32_t LeadingDecimal(std::string_view text);

// What the policy needs of a game notification line from the server. The line is cut at single
// spaces (two spaces in a row make an empty token); it is a notification when it holds exactly
// 12 spaces and token 1 is "notification:" (case-sensitive). Token 2 is player A, 5 player B,
// 7 the rating word, 8 the variant word, 9 the initial minutes, 10 the increment in seconds.
struct GameNotification {
  static constexpr int kSpaces = 12;

  std::string playerA;   // lower-cased
  std::string playerB;   // lower-cased
  bool unrated = false;  // the rating word's first five bytes, lower-cased, are "unrat"
  bool wild = false;     // the variant word's first four bytes, lower-cased, are "wild"
  std::int32_t initialMinutes = 0;
  std::int32_t incrementSeconds = 0;

  // Initial minutes plus two thirds of the increment, truncated toward zero.
  double Etime() const;
};

// The notification in line, or nothing when the line is not one.
std::optional<GameNotification> ParseGameNotification(std::string_view line);
