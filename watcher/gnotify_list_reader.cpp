#include "watcher/gnotify_list_reader.h"

#include <algorithm>

#include "watcher/game_notification.h"
#include "watcher/server_prompt.h"
#include "watcher/watch_state.h"

namespace {

constexpr std::string_view kContinuation = "\\   ";

// Without the blanks that pad the last column, and a line end that a host may have left on.
std::string_view TrimEnd(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \r\n");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// The count in "-- gnotify list: N names --", or none when text is no such header.
std::optional<std::int32_t> HeaderCount(std::string_view text) {
  constexpr std::string_view kFront = "-- gnotify list: ";
  if (!text.starts_with(kFront)) {
    return std::nullopt;
  }
  text.remove_prefix(kFront.size());
  const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  const std::string_view back = text.substr(digits);
  if (digits == 0 || (back != " names --" && back != " name --")) {
    return std::nullopt;
  }
  return LeadingDecimal(text.substr(0, digits));  // saturates; the caller bounds it
}

// A row: names two blanks or more apart, as the server pads its columns. Words one blank apart
// are text (a tell, a message) that happened to come between the rows.
bool IsRow(std::string_view text) {
  if (text.empty() || text.front() == ' ') {
    return false;
  }
  for (std::size_t gap = text.find(' '); gap != std::string_view::npos;) {
    const std::size_t next = text.find_first_not_of(' ', gap);
    if (next - gap < 2) {
      return false;
    }
    gap = text.find(' ', next);
  }
  return true;
}

}  // namespace

void GnotifyListReader::Expect() {
  stage_ = Stage::Expecting;
}

std::optional<int> GnotifyListReader::Read(std::string_view line, const AddName& add) {
  std::string_view text = TrimEnd(StripPrompt(line));
  if (const std::optional<std::int32_t> count = HeaderCount(text)) {
    if (stage_ == Stage::Reading) {
      return End();  // the user's own request, or a broken answer: read no further
    }
    if (stage_ == Stage::Idle) {
      return std::nullopt;
    }
    stage_ = Stage::Reading;
    namesLeft_ = std::clamp<std::int32_t>(*count, 0, kMaxNames);
    strayLines_ = 0;
    added_ = 0;
    return namesLeft_ == 0 ? End() : std::nullopt;
  }
  if (stage_ != Stage::Reading) {
    return std::nullopt;
  }
  if (text.starts_with(kContinuation)) {
    text.remove_prefix(kContinuation.size());
  }
  if (ParseGameNotification(text) || !IsRow(text)) {
    return ++strayLines_ >= kMaxStrayLines ? End() : std::nullopt;
  }
  return ReadRow(text, add);
}

std::optional<int> GnotifyListReader::ReadRow(std::string_view text, const AddName& add) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    end = end == std::string_view::npos ? text.size() : end;
    const std::string_view token = text.substr(start, end - start);
    start = text.find_first_not_of(' ', end);
    start = start == std::string_view::npos ? text.size() : start;
    if (!IsValidFollowName(token)) {
      continue;
    }
    std::string name(token);
    LowerCaseName(name);
    if (add(name)) {
      ++added_;
    }
    if (--namesLeft_ == 0) {
      return End();
    }
  }
  return std::nullopt;
}

std::optional<int> GnotifyListReader::End() {
  stage_ = Stage::Idle;
  return added_;
}
