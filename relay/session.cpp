#include "relay/session.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace relay {

void Report(const std::string& text) {
  std::fprintf(stderr, "vantor1-relay: %s\n", text.c_str());
}

Session::Session(int id, Fd client, Fd server, std::unique_ptr<VantorChannel> vantor, bool pause)
    : id_(id), vantor_(std::move(vantor)), serverStream_(pause) {
  client_.fd = std::move(client);
  server_.fd = std::move(server);
}

Session::~Session() = default;

void Session::Say(const std::string& text) const {
  Report("session " + std::to_string(id_) + ": " + text);
}

short Session::ClientEvents() const {
  short events = client_.Pending() > 0 ? POLLOUT : 0;
  if (phase_ == Phase::Relaying && server_.Pending() < kMaxPending) {
    events |= POLLIN;
  }
  return events;
}

short Session::ServerEvents() const {
  if (connecting_) {
    return POLLOUT;
  }
  short events = server_.Pending() > 0 ? POLLOUT : 0;
  if (phase_ == Phase::Relaying && client_.Pending() < kMaxPending) {
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
    clientLines_.Feed(bytes, [this](std::string_view line) { ClientLine(line); });
  }
  Inject();
}

namespace {

// The server's block mode frames each reply between these bytes.
constexpr std::uint8_t kBlockStart = 0x15;

// A lag-compensating wrapper opens the client's stream with its own handshake, scrambled into
// bytes above 127; a client that talks plain text sends a name or a command first.
bool LooksWrapped(std::string_view firstLine) {
  return std::any_of(firstLine.begin(), firstLine.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// "iset block 1" and its forms ("$iset block on", "5 iset block 0" from a client in block mode):
// true or false for the mode it asks for, none for any other line.
std::optional<bool> BlockModeAsked(std::string_view line) {
  std::string text(line);
  for (char& c : text) {
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  std::string_view rest = text;
  auto skip = [&](auto keep) {
    while (!rest.empty() && keep(rest.front())) {
      rest.remove_prefix(1);
    }
  };
  skip([](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
  skip([](char c) { return c == '$'; });
  if (!rest.starts_with("iset ")) {
    return std::nullopt;
  }
  rest.remove_prefix(5);
  skip([](char c) { return c == ' '; });
  if (!rest.starts_with("block ")) {
    return std::nullopt;
  }
  rest.remove_prefix(6);
  skip([](char c) { return c == ' '; });
  while (!rest.empty() && rest.back() == ' ') {
    rest.remove_suffix(1);
  }
  if (rest == "1" || rest == "on" || rest == "true") {
    return true;
  }
  if (rest == "0" || rest == "off" || rest == "false") {
    return false;
  }
  return std::nullopt;
}

}  // namespace

void Session::ServerBytes(std::span<const std::uint8_t> bytes) {
  if (!blockMode_ && loggedIn_ &&
      std::find(bytes.begin(), bytes.end(), kBlockStart) != bytes.end()) {
    SetBlockMode(true, "the server answers in block mode");
  }
  serverStream_.Feed(bytes, Clock::now(), [this](const HostNote& note) { ToVantor(note); });
  CheckLogin();
  if (serverStream_.Pausing() != playing_) {
    playing_ = !playing_;
    Say(playing_ ? "a game of the user's own started: game notifications are kept from vantor1"
                 : "the user's own game ended: game notifications reach vantor1 again");
  }
  if (VantorOn()) {
    vantor_->Signal();  // once per read, not per line
  }
}

void Session::ToVantor(const HostNote& note) {
  if (note.type == 0) {
    Say("logged in as " + note.args[0]);
  }
  if (!VantorOn()) {
    return;
  }
  if (!vantor_->SendArguments(note.type, note.args)) {
    ++messagesDropped_;
  } else if (note.type == 1) {
    ++linesRelayed_;
  }
}

void Session::CheckLogin() {
  if (serverStream_.LoginStage() == Login::Stage::Entering && !enteringSince_) {
    enteringSince_ = Clock::now();
  }
  loggedIn_ = serverStream_.LoggedIn();
}

void Session::ClientLine(std::string_view line) {
  if (std::exchange(firstClientLine_, false) && LooksWrapped(line)) {
    wrapped_ = true;
    Say("the client talks through a lag-compensating wrapper, whose stream the relay cannot "
        "read or join: vantor1 is off for this session, which is passed on untouched");
    if (vantor_) {
      vantor_->SendQuit();
    }
  }
  if (wrapped_) {
    return;
  }
  serverStream_.ClientLine(line);
  CheckLogin();
  if (const std::optional<bool> on = BlockModeAsked(line); on && *on != blockMode_) {
    SetBlockMode(*on, "the client asked for it");
  }
}

void Session::SetBlockMode(bool on, const char* why) {
  blockMode_ = on;
  Say(on ? std::string("block mode is on (") + why +
               "): vantor1's commands are held back, since the server's answers to them would "
               "break the client's reading of its own"
         : std::string("block mode is off: vantor1's commands flow again"));
}

std::optional<std::string> Session::InjectionBlocked() const {
  if (!loggedIn_) {
    return "the login is not complete";
  }
  if (blockMode_) {
    return "the client has the server's block mode on";
  }
  if (connecting_) {
    return "the server is not connected yet";
  }
  if (!clientLines_.AtLineStart()) {
    return "the client has not finished the line it is typing";
  }
  return std::nullopt;
}

void Session::Inject() {
  if (!commands_.Empty() && phase_ == Phase::Relaying && !wrapped_ && !InjectionBlocked()) {
    const std::string lines = commands_.TakeAll();
    Forward(server_, std::span(reinterpret_cast<const std::uint8_t*>(lines.data()), lines.size()));
  }
  if (commands_.Empty()) {
    waitingSince_.reset();
    waitReported_ = false;
  } else if (!waitingSince_) {
    waitingSince_ = Clock::now();
  }
}

void Session::ReportStalls(Clock::time_point now) {
  if (const auto due = serverStream_.Deadline(); due && now >= *due) {
    serverStream_.OnTime(now, [this](const HostNote& note) { ToVantor(note); });
    if (VantorOn()) {
      vantor_->Signal();
    }
  }
  if (!loggedIn_ && !loginReported_ && enteringSince_ && now >= *enteringSince_ + kStallReport) {
    loginReported_ = true;
    Say("no prompt and no session-start line from the server 30 s after the password: the "
        "relay cannot tell that the login is complete, so vantor1's commands wait");
  }
  if (waitingSince_ && !waitReported_ && now >= *waitingSince_ + kStallReport) {
    waitReported_ = true;
    Say(std::to_string(commands_.Waiting()) + " commands of vantor1 have waited 30 s: " +
        InjectionBlocked().value_or("the session is ending"));
  }
}

void Session::OnClient(short revents) {
  if (revents & POLLOUT) {
    Flush(client_);
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) && client_.fd.Valid() && phase_ == Phase::Relaying) {
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
  if ((revents & (POLLIN | POLLHUP | POLLERR)) && server_.fd.Valid() && phase_ == Phase::Relaying) {
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
      if (!loggedIn_ && !std::exchange(earlyReported_, true)) {
        Say("vantor1 sent a command before the login was complete; its commands wait for it");
      }
      commands_.Push(message.text);
    }
  }
  Inject();
}

void Session::OnVantorExit() {
  if (vantor_) {
    if (const std::optional<std::string> end = vantor_->TakeEnd()) {
      Say("vantor1 " + *end +
          (phase_ != Phase::Relaying ? "" : "; the session goes on without it"));
    }
  }
}

std::optional<Clock::time_point> Session::Deadline() const {
  if (phase_ != Phase::Relaying) {
    return drainUntil_;
  }
  std::optional<Clock::time_point> next = vantor_ ? vantor_->Deadline() : std::nullopt;
  auto consider = [&](std::optional<Clock::time_point> t) {
    if (t && (!next || *t < *next)) {
      next = t;
    }
  };
  consider(serverStream_.Deadline());
  if (!loggedIn_ && !loginReported_ && enteringSince_) {
    consider(*enteringSince_ + kStallReport);
  }
  if (waitingSince_ && !waitReported_) {
    consider(*waitingSince_ + kStallReport);
  }
  return next;
}

void Session::OnTime(Clock::time_point now) {
  if (phase_ == Phase::Relaying) {
    ReportStalls(now);
  }
  if (vantor_ && phase_ == Phase::Relaying) {
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
  if (phase_ != Phase::Relaying) {
    return;
  }
  phase_ = Phase::Ending;
  endReason_ = why;
  drainUntil_ = Clock::now() + kDrainTime;
  if (vantor_) {
    vantor_->SendQuit();
  }
  FinishIfDrained(Clock::now());
}

void Session::FinishIfDrained(Clock::time_point now) {
  if (phase_ != Phase::Ending) {
    return;
  }
  const bool drained = (!client_.fd.Valid() || client_.Pending() == 0) &&
                       (!server_.fd.Valid() || server_.Pending() == 0 || connecting_);
  if (!drained && now < drainUntil_) {
    return;
  }
  phase_ = Phase::Finished;
  client_.fd.Reset();
  server_.fd.Reset();
  Say("ended (" + endReason_ + "): " + std::to_string(linesRelayed_) + " lines relayed, " +
      std::to_string(commands_.Injected()) + " commands injected, " +
      std::to_string(commands_.Dropped()) + " commands dropped, " +
      std::to_string(commands_.Waiting()) + " commands never sent, " +
      std::to_string(messagesDropped_) + " messages to vantor1 dropped, " +
      std::to_string(serverStream_.HeldBack()) + " notifications held back");
}

}  // namespace relay
