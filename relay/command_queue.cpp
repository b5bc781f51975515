#include "relay/command_queue.h"

namespace relay {

bool CommandQueue::Push(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (text.empty() || lines_.size() >= kMaxCommands || bytes_ + text.size() + 1 > kMaxBytes) {
    ++dropped_;
    return false;
  }
  std::string line(text);
  if (line.back() != '\n') {
    line.push_back('\n');
  }
  bytes_ += line.size();
  lines_.push_back(std::move(line));
  return true;
}

std::string CommandQueue::TakeAll() {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
  }
  injected_ += lines_.size();
  lines_.clear();
  bytes_ = 0;
  return out;
}

}  // namespace relay
