#pragma once
#include <poll.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hostside/result.h"
#include "platform/posix/unique_fd.h"
#include "tools/hostsim/notification.h"

namespace standin {

// How the server writes, as seen from real servers of the family: the open-source server built
// from its 1.6.2 code, and the current public servers. Both end lines in "\n\r" and wrap them at
// 80 columns, the prompt counted, going on behind "\   ".
struct Shape {
  bool sessionStartLine = true;       // "**** Starting FICS session as NAME ****" after login
  bool numberedNotifications = true;  // announcements end in ": Game N"
  std::size_t width = 80;             // 0: never wrapped
  bool highlight = false;             // followed players' names inside escape sequences
  bool timedPrompt = false;           // "12:34_fics% "

  static Shape Public() { return {}; }
  static Shape Older() { return {.sessionStartLine = false, .numberedNotifications = false}; }
};

// A chess server of our own, for tests, benchmarks and trying clients by hand. It listens on an
// ephemeral loopback port and speaks the servers' line protocol as the real ones write it: the
// login with its password or a guest's return, the prompt, answers to "observe", "unobserve",
// "+gnotify", "-gnotify" and "=gnotify", whose lists it keeps per user for as long as it runs;
// game notifications, game ends and a game of the user's own come on cue. Cues go to the newest
// connection. Single-threaded: nothing happens outside Pump().
class Server {
 public:
  static hostside::Result<std::unique_ptr<Server>> Listen();
  std::uint16_t Port() const { return port_; }

  // Waits up to timeoutMs for sockets to turn ready, then accepts, reads, answers and writes
  // what it can. 0 does not wait.
  void Pump(int timeoutMs);
  // What Pump() waits on, for a caller that waits on other descriptors as well.
  std::vector<pollfd> PollSet() const;

  // Answers nothing, not even the login: for raw traffic.
  bool quiet = false;
  // How the next connections are written to.
  Shape shape;

  bool Connected() const;
  std::size_t Connections() const { return connections_; }
  // Every byte the newest client sent, and its lines (without CR and LF).
  const std::string& Received() const;
  std::vector<std::string> Lines() const;
  std::size_t Unsent() const;

  // Cues, to the newest connection.
  void Send(std::string_view bytes);  // as they are
  void Notify(const hostsim::GameNotice& game);
  void StartOwnGame(int game, const std::string& opponent);
  void EndGame(int game, std::string_view result = "1-0");
  void CloseClient();

 private:
  enum class Stage { Name, Password, Playing };
  struct Connection {
    platform::detail::UniqueFd fd;
    Shape shape;
    std::string received;
    std::size_t lineStart = 0;  // where the line being read starts in `received`
    Stage stage = Stage::Name;
    std::string user;
    std::size_t column = 0;  // where the next byte lands, for wrapping
    std::string out;
    std::size_t sent = 0;
  };
  struct Game {
    std::string playerA, playerB;
  };

  Server() = default;
  void Answer(Connection& c, std::string_view line);
  void LogIn(Connection& c, std::string_view line);
  std::string Command(Connection& c, std::string_view line);
  std::string GnotifyList(const Connection& c) const;
  std::string Prompt(const Connection& c) const;
  // Writes text as the server formats it: "\n" becomes "\n\r", long lines wrap.
  void Print(Connection& c, std::string_view text);
  void Write(Connection& c, std::string_view bytes);
  void Flush(Connection& c);
  Connection* Newest();
  const Connection* Newest() const;

  platform::detail::UniqueFd listener_;
  std::uint16_t port_ = 0;
  std::vector<std::unique_ptr<Connection>> clients_;
  std::map<int, Game> games_;
  // Names as the server compares them: without regard to case.
  struct Caseless {
    bool operator()(const std::string& a, const std::string& b) const {
      return hostsim::LowerCased(a) < hostsim::LowerCased(b);
    }
  };
  // Each user's notification list, by lower-cased user, for as long as the server runs.
  std::map<std::string, std::set<std::string, Caseless>> gnotify_;
  std::size_t connections_ = 0;
  int guests_ = 0;
};

}  // namespace standin
