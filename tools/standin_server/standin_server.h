#pragma once
#include <poll.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "tools/hostsim/notification.h"

namespace standin {

// A chess server of our own, for tests, benchmarks and trying clients by hand. It listens on an
// ephemeral loopback port and speaks the servers' line protocol: a login prompt, the
// session-start line, a prompt, and answers to "observe", "unobserve", "+gnotify" and
// "-gnotify"; game notifications, game ends and a game of the user's own come on cue. Cues go
// to the newest connection. Single-threaded: nothing happens outside Pump().
class Server {
 public:
  static constexpr std::string_view kPrompt = "aics% ";

  static std::unique_ptr<Server> Listen(std::string& error);
  std::uint16_t Port() const { return port_; }

  // Waits up to timeoutMs for sockets to turn ready, then accepts, reads, answers and writes
  // what it can. 0 does not wait.
  void Pump(int timeoutMs);
  // What Pump() waits on, for a caller that waits on other descriptors as well.
  std::vector<pollfd> PollSet() const;

  // Answers nothing, not even the login: for raw traffic.
  bool quiet = false;

  bool Connected() const;
  bool LoggedIn() const;
  std::size_t Connections() const { return connections_; }
  // Every byte the newest client sent, and its lines (without CR and LF).
  const std::string& Received() const;
  std::vector<std::string> Lines() const;
  std::size_t Unsent() const;

  // Cues, to the newest connection.
  void Send(std::string_view bytes);
  void Notify(const hostsim::GameNotice& game);
  void StartOwnGame(int game, const std::string& opponent);
  void EndGame(int game, std::string_view result = "1-0");
  void CloseClient();

 private:
  struct Connection {
    platform::detail::UniqueFd fd;
    std::string received;
    std::size_t lineStart = 0;  // where the line being read starts in `received`
    std::string user;           // empty until logged in
    std::string out;
    std::size_t sent = 0;
  };
  struct Game {
    std::string playerA, playerB;
  };

  Server() = default;
  void Answer(Connection& c, std::string_view line);
  void Write(Connection& c, std::string_view bytes);
  void Flush(Connection& c);
  Connection* Newest();
  const Connection* Newest() const;

  platform::detail::UniqueFd listener_;
  std::uint16_t port_ = 0;
  std::vector<std::unique_ptr<Connection>> clients_;
  std::map<int, Game> games_;
  std::size_t connections_ = 0;
};

}  // namespace standin
