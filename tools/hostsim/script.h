#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hostside/result.h"

namespace hostsim {

using hostside::Result;

// One command of a hostsim script. One command a line; a line whose first non-blank
// character is '#' is a comment, and so is a word starting with '#' after the arguments of
// the commands that take words. The commands that take a text (data, expect text, identity,
// line) take the rest of the line after one separating space, exactly as written.
enum class Op {
  AnnounceToProgram,  // announce read [SIZE]
  AnnounceToHost,     // announce write [SIZE]
  AnnounceMissing,    // announce-missing INDEX SIZE
  Send,               // value, data, raw, identity, line, relation, args, quit, close
  Signal,             // signal
  Sleep,              // sleep MS
  ExpectHandshake,    // expect handshake
  ExpectText,         // expect text TEXT
  ExpectNothing,      // expect nothing MS
  ExpectDrained,      // expect drained
  ExpectRunning,      // expect running
  ExpectExit,         // expect exit CODE
  ExpectBoards,       // expect boards N
  Auto,               // auto on | auto off
};

struct Command {
  Op op = Op::Signal;
  int line = 0;
  std::string source;  // the line as written
  // announce: ring size; announce-missing: index (relative to the run's base) and size;
  // sleep, expect nothing: milliseconds; expect exit: status; expect boards: count;
  // auto: 1 on, 0 off.
  std::int64_t number = 0;
  std::int64_t size = 0;
  std::string text;                 // expect text: the whole payload expected (TEXT, "\n", NUL)
  std::vector<std::uint8_t> frame;  // Send: the whole frame, written in one piece
  // Send of an argument message: its type and arguments, for the host's own bookkeeping
  // (notifications remembered, relations counted).
  std::optional<int> argumentType;
  std::vector<std::string> args;
};

struct ScriptError {
  int line = 0;
  std::string message;
};

struct ParsedScript {
  std::vector<Command> commands;
  std::optional<ScriptError> error;  // the first bad line; commands are then incomplete
};

ParsedScript ParseScript(std::string_view source);

// Reads C escapes (\n \t \r \0 \a \b \f \v \e \\ \" \' \?, octal of one to three digits, \x of
// one or two hex digits). Fails on a bad or unfinished escape.
Result<std::string> CUnescape(std::string_view text);

}  // namespace hostsim
