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
  // The first whole line after a partial one is that partial line completed: what it asked was
  // taken already. Anything behind the question arrived in the same read (a password sent
  // before it was asked for is answered at once), so the line is still read for its prompt.
  const bool asked = !partial_.empty() && line.starts_with(partial_);
  partial_.clear();
  ServerText(line, !asked);
}

void Login::ServerPartial(std::string_view partial) {
  // A read that brought only telnet bytes (the server's WILL ECHO after the name) leaves the
  // question that was answered standing: it must not be taken as asked again.
  if (partial != partial_) {
    partial_ = partial;
    ServerText(partial, true);
  }
}

void Login::ServerText(std::string_view text, bool fresh) {
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
  // A question stands at the end of what came, or at the front of the line that goes on after
  // the client's answer.
  const std::string_view plain = Trimmed(text);
  auto asks = [&](std::string_view question) {
    return plain.ends_with(question) || plain.starts_with(std::string(question) + " ");
  };
  if (fresh && asks("login:")) {
    stage_ = Stage::Name;
  } else if (fresh && (entering || asks("password:"))) {
    stage_ = linesAfterName_ > 0 ? Stage::Entering : Stage::Password;
  }
  // The first prompt after the question lets the user in; it may open the line that follows.
  std::string_view after = text;
  if (const std::size_t at = text.find("password: "); at != std::string_view::npos) {
    after.remove_prefix(at + 10);
  }
  if ((stage_ == Stage::Password || stage_ == Stage::Entering) && !name_.empty() &&
      StripPrompt(after).size() < after.size()) {
    stage_ = Stage::Ready;
  }
}

}  // namespace relay
