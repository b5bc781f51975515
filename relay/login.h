#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace relay {

// NAME of "**** Starting SERVER session as NAME ****" wherever it stands in `text`, without a
// tag in parentheses ("GuestXYZW(U)").
std::optional<std::string> SessionStartName(std::string_view text);

// Follows one session's login, to learn when the server has taken the user in and under which
// name. Current servers say so in a session-start line; older ones do not, and then the user is
// in at the first prompt after the password (or after the return that a guest is asked for),
// under the name the server spelled ("Bobby" is a registered name...; Press return to enter the
// server as "GuestXYZW":) or else the one the user typed. The password itself is never kept.
// A wrong password ends the connection, or brings the name's prompt back ("login: ").
class Login {
 public:
  enum class Stage {
    Greeting,  // before the server asked for a name
    Name,      // the server asked for a name: the client's next line is the name
    Named,     // the name is sent; the server will ask for the password or a guest's return
    Password,  // the server asked for it and waits for the client's line
    Entering,  // the server has what it asked for; its first prompt lets the user in
    Ready,
  };

  // A line the client sent.
  void ClientLine(std::string_view line);
  // A whole server line, without escape sequences, prompts still in front.
  void ServerLine(std::string_view line);
  // What the server has sent of a line not yet ended (its prompts wait there).
  void ServerPartial(std::string_view partial);

  Stage Current() const { return stage_; }
  bool Ready() const { return stage_ == Stage::Ready; }
  // The user's name once Ready().
  const std::string& Name() const { return name_; }

 private:
  // `fresh`: a question in it is asked now, not one already taken from its partial line.
  void ServerText(std::string_view text, bool fresh);

  Stage stage_ = Stage::Greeting;
  std::string name_;
  int linesAfterName_ = 0;
  std::string partial_;  // the unended line last looked at  // a client may send the password
                         // before it is asked for
};

}  // namespace relay
