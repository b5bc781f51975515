#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace relay {

// vantor1's server commands on their way into the client's stream. They wait here until the
// session has started (before that a line would be taken as the login) and the client's stream
// stands at a line boundary; what does not fit is dropped and counted.
class CommandQueue {
 public:
  static constexpr std::size_t kMaxCommands = 64;
  static constexpr std::size_t kMaxBytes = 16 * 1024;

  // Takes a command as vantor1 wrote it: the text up to its NUL, ending in a line feed (one is
  // added when missing). False when dropped: empty, or no room left.
  bool Push(std::string_view text);
  // Every waiting line, in order, for the caller to write now; the queue is then empty.
  std::string TakeAll();
  bool Empty() const { return lines_.empty(); }
  std::size_t Waiting() const { return lines_.size(); }

  std::size_t Injected() const { return injected_; }
  std::size_t Dropped() const { return dropped_; }

 private:
  std::deque<std::string> lines_;
  std::size_t bytes_ = 0;
  std::size_t injected_ = 0;
  std::size_t dropped_ = 0;
};

}  // namespace relay
