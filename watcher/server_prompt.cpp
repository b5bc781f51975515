#include "watcher/server_prompt.h"

#include <cstddef>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsWordByte(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == '-';
}

// The length of the time in front of a timed prompt ("12:34_"), or 0.
std::size_t TimePrefix(std::string_view line) {
  constexpr std::string_view kShape = "00:00_";
  if (line.size() < kShape.size()) {
    return 0;
  }
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == '0' ? !IsDigit(line[i]) : line[i] != kShape[i]) {
      return 0;
    }
  }
  return kShape.size();
}

// The length of one prompt at the front of `line`, or 0. Its word starts with a letter, so that
// "50% of it" keeps its number.
std::size_t PromptLength(std::string_view line) {
  const std::size_t time = TimePrefix(line);
  std::size_t n = time;
  while (n < line.size() && IsWordByte(line[n]) && (n > time || IsLetter(line[n]))) {
    ++n;
  }
  return n > time && line.substr(n, 2) == "% " ? n + 2 : 0;
}

}  // namespace

std::string_view StripPrompt(std::string_view line) {
  while (const std::size_t n = PromptLength(line)) {
    line.remove_prefix(n);
  }
  return line;
}
