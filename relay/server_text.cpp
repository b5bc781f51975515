#include "relay/server_text.h"

namespace relay {

namespace {

bool CouldContinue(std::string_view partial) {
  const std::string_view mark = LineJoiner::kContinuation;
  return partial.size() <= mark.size() ? mark.starts_with(partial) : partial.starts_with(mark);
}

}  // namespace

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
