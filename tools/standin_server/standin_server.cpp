#include "tools/standin_server/standin_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "tools/hostsim/gnotify_list.h"

namespace standin {

namespace {

std::string Between(std::string_view text, std::string_view prefix) {
  return text.starts_with(prefix) ? std::string(text.substr(prefix.size())) : std::string();
}

// A listed name as the server keeps it: the registered handle's spelling, which here is the
// name with its first letter raised.
std::string ServerSpelling(std::string name) {
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
  }
  return name;
}

}  // namespace

hostside::Result<std::unique_ptr<Server>> Server::Listen() {
  std::unique_ptr<Server> server(new Server());
  server->listener_.Reset(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const int fd = server->listener_.Get();
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return hostside::Fail(hostside::ErrorCode::System,
                          std::string("stand-in server: ") + std::strerror(errno));
  }
  server->port_ = ntohs(address.sin_port);
  return server;
}

Server::Connection* Server::Newest() {
  return clients_.empty() ? nullptr : clients_.back().get();
}

const Server::Connection* Server::Newest() const {
  return clients_.empty() ? nullptr : clients_.back().get();
}

bool Server::Connected() const {
  return Newest() && Newest()->fd.Valid();
}

const std::string& Server::Received() const {
  static const std::string none;
  return Newest() ? Newest()->received : none;
}

std::vector<std::string> Server::Lines() const {
  std::vector<std::string> lines;
  const std::string& bytes = Received();
  for (std::size_t start = 0, end; (end = bytes.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = bytes.substr(start, end - start);
    std::erase(line, '\r');
    lines.push_back(std::move(line));
  }
  return lines;
}

std::size_t Server::Unsent() const {
  return Newest() ? Newest()->out.size() - Newest()->sent : 0;
}

void Server::Write(Connection& c, std::string_view bytes) {
  c.out.append(bytes);
  Flush(c);
}

void Server::Flush(Connection& c) {
  while (c.fd.Valid() && c.sent < c.out.size()) {
    const ssize_t n =
        send(c.fd.Get(), c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) {
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        c.fd.Reset();
      }
      return;
    }
    c.sent += static_cast<std::size_t>(n);
  }
  c.out.clear();
  c.sent = 0;
}

std::string Server::Prompt(const Connection& c) const {
  if (!c.shape.timedPrompt) {
    return "fics% ";
  }
  char time[8];
  const std::time_t now = std::time(nullptr);
  std::strftime(time, sizeof time, "%H:%M_", std::localtime(&now));
  return time + std::string("fics% ");
}

void Server::Print(Connection& c, std::string_view text) {
  // As the server does it: a run of printable bytes that would reach the width is broken after
  // its last word that fits, the spaces there dropped, and goes on behind "\   ".
  std::string out;
  const std::size_t width = c.shape.width;
  while (!text.empty()) {
    std::size_t run = 0;
    while (run < text.size() && static_cast<unsigned char>(text[run]) >= ' ') {
      ++run;
    }
    if (run == 0) {
      const char byte = text.front();
      text.remove_prefix(1);
      if (byte == '\n') {
        out += "\n\r";
        c.column = 0;
      } else {
        out += byte;
        c.column -= byte == '\x1b' && c.column >= 3 ? 3 : 0;  // its "[7m" takes no column
      }
      continue;
    }
    if (width > c.column && run >= width - c.column) {
      const std::size_t room = width - c.column;
      std::size_t cut = room;
      while (cut > 0 && text[cut - 1] != ' ') {
        --cut;
      }
      while (cut > 0 && text[cut - 1] == ' ') {
        --cut;
      }
      cut = cut == 0 ? room - 1 : cut;
      out.append(text.substr(0, cut)).append("\n\r\\   ");
      c.column = 4;
      text.remove_prefix(cut);
      while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
      }
      continue;
    }
    out.append(text.substr(0, run));
    c.column += run;
    text.remove_prefix(run);
  }
  Write(c, out);
}

void Server::LogIn(Connection& c, std::string_view line) {
  if (c.stage == Stage::Password) {
    c.stage = Stage::Playing;
    // WONT ECHO, and straight on: the public servers' session-start line stands on the line of
    // the password's prompt.
    std::string welcome = "\xff\xfc\x01";
    if (c.shape.sessionStartLine) {
      const bool guest = c.user.starts_with("Guest");
      welcome += "**** Starting FICS session as " + c.user + (guest ? "(U)" : "") + " ****\n";
    }
    Print(c, welcome + "Welcome to the stand-in chess server.\n\n" + Prompt(c));
    return;
  }
  if (line.empty()) {
    Print(c, "\nlogin: ");
    return;
  }
  c.stage = Stage::Password;
  Write(c, "\xff\xfb\x01");  // WILL ECHO: the client keeps what comes next off the screen
  if (hostsim::LowerCased(line) != "guest") {
    c.user = line;
    Print(c, "\n\"" + c.user +
                 "\" is a registered name. If it is yours, type the password.\n"
                 "If not, just hit return to try another name.\n\npassword: ");
    return;
  }
  if (!c.shape.sessionStartLine) {
    // The older server takes a guest under the name typed.
    c.user = line;
    Print(c, "\n\"" + c.user +
                 "\" is not a registered name. You may use this name to play unrated games.\n"
                 "(After logging in,do \"help register\" for more info on how to register.)\n\n"
                 "Press return to enter the FICS as \"" +
                 c.user + "\":");
    return;
  }
  c.user = "Guest" + std::string(1, static_cast<char>('A' + guests_ / 26 % 26)) +
           std::string(1, static_cast<char>('A' + guests_ % 26)) + "XY";
  ++guests_;
  Print(c, "\nLogging you in as \"" + c.user +
               "\"; you may use this name to play unrated games.\n"
               "(After logging in, do \"help register\" for more info on how to register.)\n\n"
               "Press return to enter the server as \"" +
               c.user + "\":");
}

std::string Server::GnotifyList(const Connection& c) const {
  const auto it = gnotify_.find(hostsim::LowerCased(c.user));
  std::vector<std::string> names;
  if (it != gnotify_.end()) {
    names.assign(it->second.begin(), it->second.end());
  }
  std::string text;
  for (const std::string& line : hostsim::GnotifyListLines(std::move(names))) {
    text += line + "\n";
  }
  return text;
}

std::string Server::Command(Connection& c, std::string_view line) {
  auto& listed = gnotify_[hostsim::LowerCased(c.user)];
  if (const std::string name = Between(line, "observe "); !name.empty()) {
    // A player's newest game: cues do not always end the older ones.
    const std::string wanted = hostsim::LowerCased(name);
    const auto it = std::find_if(games_.rbegin(), games_.rend(), [&](const auto& entry) {
      return hostsim::LowerCased(entry.second.playerA) == wanted ||
             hostsim::LowerCased(entry.second.playerB) == wanted;
    });
    if (it != games_.rend()) {
      return "You are now observing game " + std::to_string(it->first) + ".\n";
    }
    return name + " is not playing a game.\n";
  }
  if (const std::string game = Between(line, "unobserve "); !game.empty()) {
    return "Removing game " + game + " from observation list.\n";
  }
  if (const std::string added = ServerSpelling(Between(line, "+gnotify ")); !added.empty()) {
    return listed.insert(added).second ? "[" + added + "] added to your gnotify list.\n"
                                       : "[" + added + "] is already on your gnotify list.\n";
  }
  if (const std::string removed = ServerSpelling(Between(line, "-gnotify ")); !removed.empty()) {
    return listed.erase(removed) ? "[" + removed + "] removed from your gnotify list.\n"
                                 : "[" + removed + "] is not in your gnotify list.\n";
  }
  if (line == "=gnotify") {
    return GnotifyList(c);
  }
  return line.empty() ? "" : std::string(line.substr(0, line.find(' '))) + ": Command not found.\n";
}

void Server::Answer(Connection& c, std::string_view line) {
  if (quiet) {
    return;
  }
  if (c.stage != Stage::Playing) {
    LogIn(c, line);
  } else {
    Print(c, Command(c, line) + Prompt(c));
  }
}

std::vector<pollfd> Server::PollSet() const {
  std::vector<pollfd> fds{{listener_.Get(), POLLIN, 0}};
  for (const auto& c : clients_) {
    fds.push_back(
        {c->fd.Get(), static_cast<short>(POLLIN | (c->sent < c->out.size() ? POLLOUT : 0)), 0});
  }
  return fds;
}

void Server::Pump(int timeoutMs) {
  std::vector<pollfd> fds = PollSet();
  if (poll(fds.data(), fds.size(), timeoutMs) <= 0) {
    return;
  }
  for (std::size_t i = 1; i < fds.size(); ++i) {
    Connection& c = *clients_[i - 1];
    if (fds[i].revents & POLLOUT) {
      Flush(c);
    }
    if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)) || !c.fd.Valid()) {
      continue;
    }
    char buffer[64 * 1024];
    const ssize_t n = recv(c.fd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) {
      if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        c.fd.Reset();
      }
      continue;
    }
    c.received.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = c.received.find('\n', c.lineStart)) != std::string::npos;) {
      std::string line = c.received.substr(c.lineStart, end - c.lineStart);
      std::erase(line, '\r');
      c.lineStart = end + 1;
      Answer(c, line);
    }
  }
  if (fds[0].revents & POLLIN) {
    auto c = std::make_unique<Connection>();
    c->fd.Reset(accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (c->fd.Valid()) {
      const int on = 1;  // every answer at once, as a server of typed lines does
      setsockopt(c->fd.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      ++connections_;
      c->shape = shape;
      if (!quiet) {
        Print(*c, "Welcome to the stand-in chess server.\n\nlogin: ");
      }
      clients_.push_back(std::move(c));
    }
  }
}

void Server::Send(std::string_view bytes) {
  if (Connection* c = Newest()) {
    Write(*c, bytes);
  }
}

void Server::Notify(const hostsim::GameNotice& game) {
  games_[game.game] = {game.playerA, game.playerB};
  Connection* c = Newest();
  if (!c) {
    return;
  }
  const auto& listed = gnotify_[hostsim::LowerCased(c->user)];
  auto name = [&](const std::string& player) {
    return c->shape.highlight && listed.contains(player) ? "\x1b[7m" + player + "\x1b[0m" : player;
  };
  hostsim::GameNotice shown = game;
  shown.playerA = name(game.playerA);
  shown.playerB = name(game.playerB);
  std::string line = hostsim::NotificationLine(shown);
  if (!c->shape.numberedNotifications) {
    line.erase(line.rfind(": Game "));
  }
  // Sent behind the prompt that the last answer left, on the same line, as the server does.
  Print(*c, line + "\n" + Prompt(*c));
}

void Server::StartOwnGame(int game, const std::string& opponent) {
  Connection* c = Newest();
  const std::string user = c ? c->user : "guest";
  games_[game] = {user, opponent};
  if (c) {
    Print(*c, "\nCreating: " + user + " (1500) " + opponent + " (1600) rated blitz 5 0\n{Game " +
                  std::to_string(game) + " (" + user + " vs. " + opponent +
                  ") Creating rated blitz match.}\n" + Prompt(*c));
  }
}

void Server::EndGame(int game, std::string_view result) {
  const auto it = games_.find(game);
  Connection* c = Newest();
  if (it == games_.end() || !c) {
    return;
  }
  Print(*c, "\n{Game " + std::to_string(game) + " (" + it->second.playerA + " vs. " +
                it->second.playerB + ") " + it->second.playerB + " resigns} " +
                std::string(result) + "\n" + Prompt(*c));
  games_.erase(it);
}

void Server::CloseClient() {
  if (Connection* c = Newest()) {
    c->fd.Reset();
  }
}

}  // namespace standin
