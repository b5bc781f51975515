#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "relay/line_reader.h"
#include "watcher/server_prompt.h"

namespace relay {

using ::StripPrompt;  // the core reads prompts the same way (watcher/server_prompt.h)
// True when `text` is nothing but prompts: the server waits for a command.
bool IsPromptOnly(std::string_view text);
// `line` without the terminal's escape sequences (ESC '[' ... final letter) that the server puts
// around names when the user asked for highlighting.
std::string WithoutEscapes(std::string_view line);

// Puts back together what the server wrapped at the user's width. The server breaks a long line
// after a word, drops the spaces there, and goes on in the next line behind "\   "; the join puts
// one space back. A line is whole once the next line has begun with something else, so the
// joiner holds the newest line until then, or until the caller gives up waiting (Flush).
class LineJoiner {
 public:
  static constexpr std::string_view kContinuation = "\\   ";

  // The next line as the reader cut it; onLine gets the line before it when that one is whole.
  void Add(std::string_view line, const LineReader::LineFn& onLine);
  // What the reader holds of the following line so far; once it cannot start a continuation,
  // the held line is passed on.
  void Next(std::string_view partial, const LineReader::LineFn& onLine);
  // Passes on the held line, if any: the server has said nothing more for a while.
  void Flush(const LineReader::LineFn& onLine);
  bool Holding() const { return held_.has_value(); }

 private:
  std::optional<std::string> held_;
};

}  // namespace relay
