#include "relay/login.h"

#include "relay/server_text.h"

namespace relay {

namespace {

// The text between the quotes of `before` "TEXT" `after`, when `text` holds it.
std::optional<std::string> Quoted(std::string_view text, std::string_view before,
                                  std::string_view after) {
  const std::size_t at = text.find(before);
  if (at == std::string_view::npos) {
    return std::nullopt;
  }
  text.remove_prefix(at + before.size());
  const std::size_t end = text.find(after);
  if (end == std::string_view::npos || end == 0 || text.substr(0, end).find(' ') != text.npos) {
    return std::nullopt;
  }
  return std::string(text.substr(0, end));
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::optional<std::string> SessionStartName(std::string_view text) {
  const std::size_t start = text.find("**** Starting ");
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  text.remove_prefix(start);
  const std::size_t end = text.find(" ****", 5);
  const std::size_t as = text.substr(0, end).rfind(" session as ");
  if (end == std::string_view::npos || as == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view name = text.substr(as + 12, end - as - 12);
  name = name.substr(0, name.find('('));
  if (name.empty() || name.find(' ') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(name);
}

void Login::ClientLine(std::string_view line) {
  if (stage_ == Stage::Name) {
    if (const std::string_view typed = Trimmed(line); !typed.empty()) {
      name_ = typed;
    }
    stage_ = Stage::Named;
    linesAfterName_ = 0;
  } else if (stage_ == Stage::Named || stage_ == Stage::Password) {
    ++linesAfterName_;
    stage_ = stage_ == Stage::Password ? Stage::Entering : stage_;
  }
}

void Login::ServerLine(std::string_view line) {
  partial_.clear();
  ServerText(line, true);
}

void Login::ServerPartial(std::string_view partial) {
  // A read that brought only telnet bytes (the server's WILL ECHO after the name) leaves the
  // question that was answered standing: it must not be taken as asked again.
  if (partial != partial_) {
    partial_ = partial;
    ServerText(partial, false);
  }
}

void Login::ServerText(std::string_view text, bool whole) {
  if (stage_ == Stage::Ready) {
    return;
  }
  if (std::optional<std::string> name = SessionStartName(text)) {
    name_ = std::move(*name);
    stage_ = Stage::Ready;
    return;
  }
  if (std::optional<std::string> name = Quoted(text, "\"", "\" is a registered name")) {
    name_ = std::move(*name);
  }
  // "Press return to enter the server as "GuestXYZW":", or "... the FICS as "name":".
  const bool entering = text.find("Press return to enter the ") != std::string_view::npos;
  if (std::optional<std::string> name = entering ? Quoted(text, " as \"", "\":") : std::nullopt) {
    name_ = std::move(*name);
  }
  // A client that sends the password unasked may find the question and what follows the login
  // on one line, when the server writes both at once: the question never stood alone, but was
  // asked and answered.
  if (whole && stage_ == Stage::Named && linesAfterName_ > 0 &&
      Trimmed(text).starts_with("password:")) {
    stage_ = Stage::Entering;
  }
  if (whole) {
    return;  // questions and prompts wait at the end of what came, with no line feed after them
  }
  const std::string_view plain = Trimmed(text);
  if (plain.ends_with("login:")) {
    stage_ = Stage::Name;
  } else if (entering || plain.ends_with("password:")) {
    stage_ = linesAfterName_ > 0 ? Stage::Entering : Stage::Password;
  } else if ((stage_ == Stage::Password || stage_ == Stage::Entering) && !name_.empty() &&
             IsPromptOnly(text)) {
    stage_ = Stage::Ready;
  }
}

}  // namespace relay
