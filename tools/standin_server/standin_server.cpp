#include "tools/standin_server/standin_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace standin {

namespace {

std::string Between(std::string_view text, std::string_view prefix) {
  return text.starts_with(prefix) ? std::string(text.substr(prefix.size())) : std::string();
}

}  // namespace

std::unique_ptr<Server> Server::Listen(std::string& error) {
  std::unique_ptr<Server> server(new Server());
  server->listener_.Reset(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const int fd = server->listener_.Get();
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = std::string("stand-in server: ") + std::strerror(errno);
    return nullptr;
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

bool Server::LoggedIn() const {
  return Newest() && !Newest()->user.empty();
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

void Server::Answer(Connection& c, std::string_view line) {
  if (quiet) {
    return;
  }
  if (c.user.empty()) {
    c.user = line.empty() ? "guest" : std::string(line);
    Write(c,
          "\n**** Starting StandIn session as " + c.user + "(U) ****\n\n" + std::string(kPrompt));
    return;
  }
  std::string answer;
  if (const std::string name = Between(line, "observe "); !name.empty()) {
    answer = name + " is not playing a game.\n";
    for (const auto& [number, game] : games_) {
      if (hostsim::LowerCased(game.playerA) == hostsim::LowerCased(name) ||
          hostsim::LowerCased(game.playerB) == hostsim::LowerCased(name)) {
        answer = "You are now observing game " + std::to_string(number) + ".\n";
      }
    }
  } else if (const std::string game = Between(line, "unobserve "); !game.empty()) {
    answer = "Removing game " + game + " from observation list.\n";
  } else if (const std::string added = Between(line, "+gnotify "); !added.empty()) {
    answer = "[" + added + "] added to your gnotify list.\n";
  } else if (const std::string removed = Between(line, "-gnotify "); !removed.empty()) {
    answer = "[" + removed + "] removed from your gnotify list.\n";
  } else if (!line.empty()) {
    answer = std::string(line.substr(0, line.find(' '))) + ": Command not found.\n";
  }
  Write(c, answer + std::string(kPrompt));
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
      if (!quiet) {
        Write(*c, "Welcome to the stand-in chess server.\n\nlogin: ");
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
  Send("\n" + hostsim::NotificationLine(game) + "\n" + std::string(kPrompt));
}

void Server::StartOwnGame(int game, const std::string& opponent) {
  const std::string user = Newest() ? Newest()->user : "guest";
  games_[game] = {user, opponent};
  Send("\nCreating: " + user + " (1500) " + opponent + " (1600) rated blitz 5 0\n{Game " +
       std::to_string(game) + " (" + user + " vs. " + opponent +
       ") Creating rated blitz match.}\n" + std::string(kPrompt));
}

void Server::EndGame(int game, std::string_view result) {
  const auto it = games_.find(game);
  if (it == games_.end()) {
    return;
  }
  Send("\n{Game " + std::to_string(game) + " (" + it->second.playerA + " vs. " +
       it->second.playerB + ") " + it->second.playerB + " resigns} " + std::string(result) + "\n" +
       std::string(kPrompt));
  games_.erase(it);
}

void Server::CloseClient() {
  if (Connection* c = Newest()) {
    c->fd.Reset();
  }
}

}  // namespace standin
