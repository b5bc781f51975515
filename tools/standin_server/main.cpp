// chess-standin: the stand-in chess server on its own, for trying clients by hand. It prints
// its port, then takes cues on standard input, one a line:
//   notify PLAYER_A PLAYER_B GAME [VARIANT MINUTES INCREMENT]
//   own GAME OPPONENT        a game of the user's own starts
//   end GAME [RESULT]        a game ends (default 1-0)
//   send TEXT                TEXT and a line feed, as they are
//   close                    drops the newest client
//   shape older|public       how the next connections are written to: the older server's
//                            shape (no session-start line, no game number in announcements)
//                            or the current public servers' (the default)
//   highlight on|off         followed names in escape sequences, for the next connections
//   ptime on|off             the time in front of the prompt, likewise
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tools/standin_server/standin_server.h"

namespace {

void Cue(standin::Server& server, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "notify") {
    hostsim::GameNotice game;
    game.ratingA = 1812;
    game.ratingB = 1790;
    in >> game.playerA >> game.playerB >> game.game;
    in >> game.variant >> game.minutes >> game.increment;
    server.Notify(game);
  } else if (verb == "own") {
    int game = 0;
    std::string opponent;
    in >> game >> opponent;
    server.StartOwnGame(game, opponent);
  } else if (verb == "end") {
    int game = 0;
    std::string result = "1-0";
    in >> game >> result;
    server.EndGame(game, result);
  } else if (verb == "send") {
    server.Send(line.substr(line.find(' ') + 1) + "\n");
  } else if (verb == "close") {
    server.CloseClient();
  } else if (verb == "shape" || verb == "highlight" || verb == "ptime") {
    std::string value;
    in >> value;
    if (verb == "shape") {
      server.shape = value == "older" ? standin::Shape::Older() : standin::Shape::Public();
    } else {
      (verb == "highlight" ? server.shape.highlight : server.shape.timedPrompt) = value == "on";
    }
  } else if (!verb.empty()) {
    std::fprintf(stderr, "chess-standin: unknown cue %s\n", verb.c_str());
  }
}

}  // namespace

int main() {
  auto listened = standin::Server::Listen();
  if (!listened) {
    std::fprintf(stderr, "%s\n", listened.Message().c_str());
    return 1;
  }
  const std::unique_ptr<standin::Server> server = std::move(listened).Take();
  std::printf("port %u\n", server->Port());
  std::fflush(stdout);
  std::string pending;
  for (;;) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (poll(&in, 1, 0) > 0) {
      char buffer[4096];
      const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        return 0;
      }
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        Cue(*server, pending.substr(0, end));
        pending.erase(0, end + 1);
      }
    }
    server->Pump(50);
  }
}
