#include "relay/server_text.h"

namespace relay {

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

bool CouldContinue(std::string_view partial) {
  const std::string_view mark = LineJoiner::kContinuation;
  return partial.size() <= mark.size() ? mark.starts_with(partial) : partial.starts_with(mark);
}

}  // namespace

std::string_view StripPrompt(std::string_view line) {
  while (const std::size_t n = PromptLength(line)) {
    line.remove_prefix(n);
  }
  return line;
}

bool IsPromptOnly(std::string_view text) {
  return !text.empty() && StripPrompt(text).empty();
}

std::string WithoutEscapes(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\x1b' || i + 1 >= line.size() || line[i + 1] != '[') {
      out.push_back(line[i]);
      continue;
    }
    // Parameters and intermediates run up to the final byte, a letter (or '@' to '~').
    std::size_t end = i + 2;
    while (end < line.size() && (line[end] < '@' || line[end] > '~')) {
      ++end;
    }
    i = end;
  }
  return out;
}

void LineJoiner::Add(std::string_view line, const LineReader::LineFn& onLine) {
  if (held_ && line.starts_with(kContinuation)) {
    line.remove_prefix(kContinuation.size());
    held_->append(" ").append(line);
    if (held_->size() > LineReader::kMaxLine) {
      held_->resize(LineReader::kMaxLine);  // a line with no end costs no more than the reader's
    }
    return;
  }
  Flush(onLine);
  held_.emplace(line);
}

void LineJoiner::Next(std::string_view partial, const LineReader::LineFn& onLine) {
  if (held_ && !partial.empty() && !CouldContinue(partial)) {
    Flush(onLine);
  }
}

void LineJoiner::Flush(const LineReader::LineFn& onLine) {
  if (held_) {
    const std::string line = std::move(*held_);
    held_.reset();
    onLine(line);
  }
}

}  // namespace relay
