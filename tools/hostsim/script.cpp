#include "tools/hostsim/script.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "hostside/host_side.h"

namespace hostsim {

using namespace hostside;

namespace {

constexpr std::int64_t kMaxRingSize = 1 << 24;
constexpr std::int64_t kMaxMilliseconds = 600000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Walks the words of one line, remembering where each ended so that a command can take the
// rest of the line as its text.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  // The next word, or none at the end of the line or at a comment.
  std::optional<std::string_view> Word() {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) {
      ++pos_;
    }
    if (pos_ == line_.size() || line_[pos_] == '#') {
      return std::nullopt;
    }
    const std::size_t start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_])) {
      ++pos_;
    }
    return line_.substr(start, pos_ - start);
  }

  // Everything after the word just read and one blank that separates it.
  std::string_view Text() const {
    const std::size_t start = pos_ < line_.size() ? pos_ + 1 : pos_;
    return line_.substr(start);
  }

  std::string_view Remaining() const { return line_.substr(pos_); }
  void Skip(std::size_t n) { pos_ += n; }

  // The first fault found in the line is kept; the parse stops there and the command is dropped.
  void Fail(std::string message) {
    if (!error_) {
      error_ = std::move(message);
    }
  }
  const std::optional<std::string>& Error() const { return error_; }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
  std::optional<std::string> error_;
};

// 0, and the reason in reader, when word is missing, no number or out of range.
std::int64_t ParseNumber(LineReader& reader, std::optional<std::string_view> word, const char* what,
                         std::int64_t low, std::int64_t high) {
  if (!word) {
    reader.Fail(std::string("missing ") + what);
    return 0;
  }
  std::int64_t value = 0;
  const char* end = word->data() + word->size();
  const auto [ptr, error] = std::from_chars(word->data(), end, value);
  if (error != std::errc() || ptr != end) {
    reader.Fail(std::string("bad ") + what + " \"" + std::string(*word) + "\"");
    return 0;
  }
  if (value < low || value > high) {
    reader.Fail(std::string(what) + " " + std::to_string(value) + " out of range " +
                std::to_string(low) + ".." + std::to_string(high));
    return 0;
  }
  return value;
}

void ExpectEnd(LineReader& reader) {
  if (const auto extra = reader.Word()) {
    reader.Fail("unexpected \"" + std::string(*extra) + "\"");
  }
}

std::string Unescaped(LineReader& reader, std::string_view text) {
  Result<std::string> out = CUnescape(text);
  if (!out) {
    reader.Fail(out.Message());
    return {};
  }
  return std::move(out).Take();
}

// 16 for a byte that is no hex digit.
std::uint8_t HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<std::uint8_t>(c - '0');
  }
  if (c >= 'a' && c <= 'f') {
    return static_cast<std::uint8_t>(c - 'a' + 10);
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<std::uint8_t>(c - 'A' + 10);
  }
  return 16;
}

std::vector<std::uint8_t> HexBytes(LineReader& reader) {
  std::vector<std::uint8_t> bytes;
  while (const auto word = reader.Word()) {
    if (word->size() % 2 != 0) {
      reader.Fail("odd number of hex digits in \"" + std::string(*word) + "\"");
      return {};
    }
    for (const char c : *word) {
      if (HexDigit(c) > 15) {
        reader.Fail(std::string("bad hex digit '") + c + "'");
        return {};
      }
    }
    for (std::size_t i = 0; i < word->size(); i += 2) {
      bytes.push_back(
          static_cast<std::uint8_t>(HexDigit((*word)[i]) << 4 | HexDigit((*word)[i + 1])));
    }
  }
  if (bytes.empty()) {
    reader.Fail("raw needs at least one byte");
  }
  return bytes;
}

// "A0" "A1" ...: C-quoted strings separated by blanks.
std::vector<std::string> QuotedArguments(LineReader& reader) {
  std::vector<std::string> args;
  for (;;) {
    const std::string_view rest = reader.Remaining();
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) {
      ++i;
    }
    if (i == rest.size() || rest[i] == '#') {
      return args;
    }
    if (rest[i] != '"') {
      reader.Fail("arguments must be written in double quotes");
      return args;
    }
    std::size_t j = i + 1;
    while (j < rest.size() && rest[j] != '"') {
      j += rest[j] == '\\' ? 2 : 1;
    }
    if (j >= rest.size()) {
      reader.Fail("unterminated quoted argument");
      return args;
    }
    if (j + 1 < rest.size() && !IsBlank(rest[j + 1])) {
      reader.Fail("a blank must follow a quoted argument");
      return args;
    }
    args.push_back(Unescaped(reader, rest.substr(i + 1, j - i - 1)));
    reader.Skip(j + 1);
  }
}

Command ArgumentCommand(LineReader& reader, int type, std::vector<std::string> args) {
  Command command;
  command.op = Op::Send;
  std::optional<std::vector<std::uint8_t>> frame = ArgumentMessage(type, args);
  if (!frame) {
    reader.Fail("argument message longer than 32767 bytes");
    return command;
  }
  command.frame = std::move(*frame);
  command.argumentType = type;
  command.args = std::move(args);
  return command;
}

Command ParseExpect(LineReader& reader) {
  Command command;
  const auto what = reader.Word();
  if (!what) {
    reader.Fail("expect what? (handshake, text, nothing, drained, running, exit, boards)");
    return command;
  }
  if (*what == "handshake") {
    command.op = Op::ExpectHandshake;
  } else if (*what == "text") {
    command.op = Op::ExpectText;
    command.text = Unescaped(reader, reader.Text()) + "\n";
    command.text.push_back('\0');
    return command;
  } else if (*what == "nothing") {
    command.op = Op::ExpectNothing;
    command.number = ParseNumber(reader, reader.Word(), "milliseconds", 0, kMaxMilliseconds);
  } else if (*what == "drained") {
    command.op = Op::ExpectDrained;
  } else if (*what == "running") {
    command.op = Op::ExpectRunning;
  } else if (*what == "exit") {
    command.op = Op::ExpectExit;
    command.number = ParseNumber(reader, reader.Word(), "exit status", 0, 255);
  } else if (*what == "boards") {
    command.op = Op::ExpectBoards;
    command.number = ParseNumber(reader, reader.Word(), "board count", 0, 1 << 20);
  } else {
    reader.Fail("unknown expectation \"" + std::string(*what) + "\"");
    return command;
  }
  ExpectEnd(reader);
  return command;
}

Command ParseAnnounce(LineReader& reader) {
  Command command;
  const auto end = reader.Word();
  if (end == "read") {
    command.op = Op::AnnounceToProgram;
  } else if (end == "write") {
    command.op = Op::AnnounceToHost;
  } else {
    reader.Fail("announce read or announce write?");
    return command;
  }
  const auto size = reader.Word();
  command.size = size ? ParseNumber(reader, size, "ring size", 2, kMaxRingSize) : kDefaultRingSize;
  ExpectEnd(reader);
  return command;
}

Command ParseAnnounceMissing(LineReader& reader) {
  Command command;
  command.op = Op::AnnounceMissing;
  command.number = ParseNumber(reader, reader.Word(), "pipe index", INT32_MIN, INT32_MAX);
  command.size = ParseNumber(reader, reader.Word(), "ring size", INT32_MIN, INT32_MAX);
  ExpectEnd(reader);
  return command;
}

Command SendCommand(std::vector<std::uint8_t> frame) {
  Command command;
  command.op = Op::Send;
  command.frame = std::move(frame);
  return command;
}

Command ParseValue(LineReader& reader) {
  const auto kind = ParseNumber(reader, reader.Word(), "kind", INT16_MIN, UINT16_MAX);
  const auto value = ParseNumber(reader, reader.Word(), "value", INT32_MIN, UINT32_MAX);
  ExpectEnd(reader);
  return SendCommand(ValueMessage(static_cast<int>(kind), value));
}

Command ParseData(LineReader& reader) {
  const auto kind = ParseNumber(reader, reader.Word(), "kind", INT16_MIN, UINT16_MAX);
  auto frame = DataMessage(static_cast<int>(kind), Unescaped(reader, reader.Text()));
  if (!frame) {
    reader.Fail("data longer than 32766 bytes");
    return {};
  }
  return SendCommand(std::move(*frame));
}

Command ParseRaw(LineReader& reader) {
  return SendCommand(HexBytes(reader));
}

Command ParseQuit(LineReader& reader) {
  ExpectEnd(reader);
  return SendCommand(QuitMessage());
}

Command ParseIdentity(LineReader& reader) {
  return ArgumentCommand(reader, kIdentityType, {std::string(reader.Text())});
}

Command ParseServerLine(LineReader& reader) {
  return ArgumentCommand(reader, kLineType, {std::string(reader.Text())});
}

Command ParseRelation(LineReader& reader) {
  const auto game = reader.Word();
  const auto letter = reader.Word();
  if (!game || !letter) {
    reader.Fail("relation GAME LETTER");
    return {};
  }
  ExpectEnd(reader);
  return ArgumentCommand(reader, kRelationType, {std::string(*game), std::string(*letter)});
}

Command ParseClose(LineReader& reader) {
  const auto game = ParseNumber(reader, reader.Word(), "game", INT32_MIN, INT32_MAX);
  ExpectEnd(reader);
  return ArgumentCommand(reader, kRelationType, {std::to_string(game), "X"});
}

Command ParseArgs(LineReader& reader) {
  const auto type = ParseNumber(reader, reader.Word(), "type", INT16_MIN, UINT16_MAX);
  return ArgumentCommand(reader, static_cast<int>(type), QuotedArguments(reader));
}

Command ParseAuto(LineReader& reader) {
  Command command;
  command.op = Op::Auto;
  const auto state = reader.Word();
  if (state != "on" && state != "off") {
    reader.Fail("auto on or auto off?");
    return command;
  }
  command.number = state == "on" ? 1 : 0;
  ExpectEnd(reader);
  return command;
}

Command ParseSignal(LineReader& reader) {
  Command command;
  command.op = Op::Signal;
  ExpectEnd(reader);
  return command;
}

Command ParseSleep(LineReader& reader) {
  Command command;
  command.op = Op::Sleep;
  command.number = ParseNumber(reader, reader.Word(), "milliseconds", 0, kMaxMilliseconds);
  ExpectEnd(reader);
  return command;
}

// Every command by its first word; each parser reads the rest of the line.
struct CommandParser {
  std::string_view name;
  Command (*parse)(LineReader& reader);
};

constexpr CommandParser kCommands[] = {
    {"announce", ParseAnnounce}, {"announce-missing", ParseAnnounceMissing},
    {"expect", ParseExpect},     {"value", ParseValue},
    {"data", ParseData},         {"raw", ParseRaw},
    {"quit", ParseQuit},         {"identity", ParseIdentity},
    {"line", ParseServerLine},   {"relation", ParseRelation},
    {"close", ParseClose},       {"args", ParseArgs},
    {"auto", ParseAuto},         {"signal", ParseSignal},
    {"sleep", ParseSleep},
};

// The command of a line that is neither blank nor a comment; a fault is left in reader.
Command ParseLine(LineReader& reader) {
  const std::string_view name = *reader.Word();
  for (const CommandParser& command : kCommands) {
    if (command.name == name) {
      return command.parse(reader);
    }
  }
  reader.Fail("unknown command \"" + std::string(name) + "\"");
  return {};
}

bool IsCommentOrBlank(std::string_view line) {
  for (char c : line) {
    if (!IsBlank(c)) {
      return c == '#';
    }
  }
  return true;
}

}  // namespace

ParsedScript ParseScript(std::string_view source) {
  ParsedScript script;
  int number = 0;
  while (!source.empty()) {
    const std::size_t newline = source.find('\n');
    std::string_view line = source.substr(0, newline);
    source.remove_prefix(newline == std::string_view::npos ? source.size() : newline + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (IsCommentOrBlank(line)) {
      continue;
    }
    LineReader reader(line);
    Command command = ParseLine(reader);
    if (reader.Error()) {
      script.error = ScriptError{number, *reader.Error()};
      return script;
    }
    command.line = number;
    command.source = std::string(line);
    script.commands.push_back(std::move(command));
  }
  return script;
}

Result<std::string> CUnescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      return Fail(ErrorCode::Invalid, "unfinished escape at the end");
    }
    const char c = text[i];
    static constexpr std::string_view kNamed = "n\nt\tr\ra\ab\bf\fv\ve\x1b\\\\\"\"''??";
    std::size_t named = std::string_view::npos;
    for (std::size_t k = 0; k < kNamed.size(); k += 2) {
      if (kNamed[k] == c) {
        named = k;
      }
    }
    if (named != std::string_view::npos) {
      out += kNamed[named + 1];
    } else if (c >= '0' && c <= '7') {
      int value = 0;
      std::size_t digits = 0;
      while (digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7') {
        value = value * 8 + (text[i++] - '0');
        ++digits;
      }
      --i;
      if (value > 0xFF) {
        return Fail(ErrorCode::Invalid, "octal escape above \\377");
      }
      out += static_cast<char>(value);
    } else if (c == 'x') {
      int value = 0;
      std::size_t digits = 0;
      while (digits < 2 && i + 1 < text.size() &&
             std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
        const char h = text[++i];
        value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
        ++digits;
      }
      if (digits == 0) {
        return Fail(ErrorCode::Invalid, "\\x without hex digits");
      }
      out += static_cast<char>(value);
    } else {
      return Fail(ErrorCode::Invalid, std::string("unknown escape \\") + c);
    }
  }
  return out;
}

}  // namespace hostsim
