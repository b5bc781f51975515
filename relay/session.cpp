#include "relay/session.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace relay {

void Report(const std::string& text) {
  std::fprintf(stderr, "vantor1-relay: %s\n", text.c_str());
}

Session::Session(int id, Fd client, Fd server, std::unique_ptr<VantorChannel> vantor, bool pause)
    : id_(id), vantor_(std::move(vantor)), translate_(pause) {
  client_.fd = std::move(client);
  server_.fd = std::move(server);
}

Session::~Session() = default;

void Session::Say(const std::string& text) const {
  Report("session " + std::to_string(id_) + ": " + text);
}

short Session::ClientEvents() const {
  short events = client_.Pending() > 0 ? POLLOUT : 0;
  if (!ending_ && server_.Pending() < kMaxPending) {
    events |= POLLIN;
  }
  return events;
}

short Session::ServerEvents() const {
  if (connecting_) {
    return POLLOUT;
  }
  short events = server_.Pending() > 0 ? POLLOUT : 0;
  if (!ending_ && client_.Pending() < kMaxPending) {
    events |= POLLIN;
  }
  return events;
}

void Session::Forward(Side& to, std::span<const std::uint8_t> bytes) {
  if (!to.fd.Valid()) {
    return;
  }
  if (to.Pending() == 0 && !(&to == &server_ && connecting_)) {
    to.out.clear();
    to.sent = 0;
    const ssize_t n = send(to.fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      to.fd.Reset();
      End(&to == &client_ ? "the client's connection failed" : "the server's connection failed");
      return;
    }
  }
  to.out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void Session::Flush(Side& side) {
  while (side.fd.Valid() && side.Pending() > 0) {
    const ssize_t n = send(side.fd.Get(), side.out.data() + side.sent, side.Pending(),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      side.sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      break;
    }
    side.fd.Reset();
    side.out.clear();
    side.sent = 0;
    End(&side == &client_ ? "the client's connection failed" : "the server's connection failed");
    return;
  }
  if (side.Pending() == 0) {
    side.out.clear();
    side.sent = 0;
  } else if (side.sent >= kMaxPending) {
    side.out.erase(0, side.sent);
    side.sent = 0;
  }
}

void Session::ReadFrom(Side& from, Side& to, bool fromServer) {
  std::uint8_t buffer[64 * 1024];
  const ssize_t n = recv(from.fd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    return;
  }
  if (n <= 0) {
    if (n < 0) {
      from.out.clear();
      from.sent = 0;
    }
    from.fd.Reset();  // what it still waited for cannot reach it
    End(fromServer ? "the server closed the connection" : "the client closed the connection");
    return;
  }
  const std::span<const std::uint8_t> bytes(buffer, static_cast<std::size_t>(n));
  Forward(to, bytes);  // first, so that watching costs the session no time
  if (fromServer) {
    ServerBytes(bytes);
  } else {
    clientLines_.Feed(bytes, [](std::string_view) {});
  }
  Inject();
}

void Session::ServerBytes(std::span<const std::uint8_t> bytes) {
  serverLines_.Feed(bytes, [this](std::string_view line) {
    for (const HostNote& note : translate_.Translate(line)) {
      if (note.type == 0) {
        Say("logged in as " + note.args[0]);
      }
      if (!vantor_) {
        continue;
      }
      if (!vantor_->SendArguments(note.type, note.args)) {
        ++messagesDropped_;
      } else if (note.type == 1) {
        ++linesRelayed_;
      }
    }
  });
  if (vantor_) {
    vantor_->Signal();  // once per read, not per line
  }
}

void Session::Inject() {
  if (!commands_.Empty() && translate_.SessionStarted() && clientLines_.AtLineStart() &&
      !connecting_ && !ending_) {
    const std::string lines = commands_.TakeAll();
    Forward(server_, std::span(reinterpret_cast<const std::uint8_t*>(lines.data()), lines.size()));
  }
}

void Session::OnClient(short revents) {
  if (revents & POLLOUT) {
    Flush(client_);
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) && client_.fd.Valid() && !ending_) {
    ReadFrom(client_, server_, false);
  }
  FinishIfDrained(Clock::now());
}

void Session::OnServer(short revents) {
  if (connecting_ && (revents & (POLLOUT | POLLHUP | POLLERR))) {
    if (const std::optional<std::string> error = ConnectError(server_.fd.Get())) {
      server_.fd.Reset();
      connecting_ = false;
      // The user's client shows why, rather than only a closed connection.
      const std::string line = "vantor1-relay: cannot reach the server: " + *error + "\r\n";
      Forward(client_, std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
      End("cannot reach the server: " + *error);
      return;
    }
    connecting_ = false;
    Say("server connected");
    Flush(server_);
    return;
  }
  if (revents & POLLOUT) {
    Flush(server_);
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) && server_.fd.Valid() && !ending_) {
    ReadFrom(server_, client_, true);
  }
  FinishIfDrained(Clock::now());
}

void Session::OnVantorPosts() {
  if (!vantor_) {
    return;
  }
  for (const FromVantor& message : vantor_->TakeIncoming()) {
    if (message.kind == FromVantor::Kind::Registered) {
      Say("vantor1 registered as \"" + message.text + "\"");
    } else {
      commands_.Push(message.text);
    }
  }
  Inject();
}

void Session::OnVantorExit() {
  if (vantor_) {
    if (const std::optional<std::string> end = vantor_->TakeEnd()) {
      Say("vantor1 " + *end + (ending_ ? "" : "; the session goes on without it"));
    }
  }
}

std::optional<Clock::time_point> Session::Deadline() const {
  if (ending_) {
    return drainUntil_;
  }
  return vantor_ ? vantor_->Deadline() : std::nullopt;
}

void Session::OnTime(Clock::time_point now) {
  if (vantor_ && !ending_) {
    switch (vantor_->Advance(now)) {
      case VantorChannel::Change::Attached:
        Say("vantor1 attached");
        break;
      case VantorChannel::Change::GaveUp:
        Say("vantor1 did not take its pipes; the session goes on without it");
        break;
      case VantorChannel::Change::None:
        break;
    }
  }
  FinishIfDrained(now);
}

void Session::End(const std::string& why) {
  if (ending_) {
    return;
  }
  ending_ = why;
  drainUntil_ = Clock::now() + kDrainTime;
  if (vantor_) {
    vantor_->SendQuit();
  }
  FinishIfDrained(Clock::now());
}

void Session::FinishIfDrained(Clock::time_point now) {
  if (!ending_ || finished_) {
    return;
  }
  const bool drained = (!client_.fd.Valid() || client_.Pending() == 0) &&
                       (!server_.fd.Valid() || server_.Pending() == 0 || connecting_);
  if (!drained && now < drainUntil_) {
    return;
  }
  finished_ = true;
  client_.fd.Reset();
  server_.fd.Reset();
  Say("ended (" + *ending_ + "): " + std::to_string(linesRelayed_) + " lines relayed, " +
      std::to_string(commands_.Injected()) + " commands injected, " +
      std::to_string(commands_.Dropped()) + " commands dropped, " +
      std::to_string(messagesDropped_) + " messages to vantor1 dropped, " +
      std::to_string(translate_.HeldBack()) + " notifications held back");
}

}  // namespace relay
