#pragma once
// The relay as its user runs it, for tests and benchmarks: the real vantor1-relay in a child
// process, the stand-in server here and a client socket. Every wait is bounded and sleeps.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "tests/platform/child_process.h"
#include "tools/standin_server/standin_server.h"

namespace relaytest {

using Fd = platform::detail::UniqueFd;
using Clock = std::chrono::steady_clock;

inline int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

// vantor1-relay on an ephemeral loopback port, its stderr collected in Log().
class RelayProcess {
 public:
  static std::unique_ptr<RelayProcess> Start(std::vector<std::string> args) {
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) {
      return nullptr;
    }
    args.insert(args.begin(), {RELAY_PATH, "--listen", "127.0.0.1:0"});
    std::unique_ptr<RelayProcess> relay(new RelayProcess(err[0], [&] {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(err[1], STDERR_FILENO);
      std::vector<char*> argv(args.size() + 1, nullptr);
      std::transform(args.begin(), args.end(), argv.begin(), [](auto& a) { return a.data(); });
      execv(argv[0], argv.data());
      return 127;
    }));
    close(err[1]);
    std::string port;
    if (!relay->AwaitLog(std::regex("listening on 127.0.0.1:([0-9]+)"), 5000, &port)) {
      return nullptr;
    }
    relay->port_ = static_cast<std::uint16_t>(std::stoi(port));
    return relay;
  }

  std::uint16_t Port() const { return port_; }
  pid_t Pid() const { return child_.Pid(); }
  const std::string& Log() const { return log_; }
  // The log's descriptor while it may still say something, else -1.
  int Descriptor() const { return ended_ ? -1 : err_.Get(); }
  // Takes what the relay wrote, waiting up to timeoutMs for more.
  void Read(int timeoutMs) {
    pollfd p{Descriptor(), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) > 0) {
      char buffer[4096];
      const ssize_t n = read(err_.Get(), buffer, sizeof buffer);
      ended_ = n <= 0;
      log_.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
  }
  // Reads the log until `pattern` matches it, for up to timeoutMs; `group` receives the
  // pattern's first group.
  bool AwaitLog(const std::regex& pattern, int timeoutMs, std::string* group = nullptr) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::smatch match;
    while (!std::regex_search(log_, match, pattern)) {
      if (Clock::now() >= deadline || Descriptor() < 0) {
        return false;
      }
      Read(RemainingMs(deadline));
    }
    if (group) {
      *group = match[1];
    }
    return true;
  }
  // SIGTERM, and the exit status once it has ended (within timeoutMs; then killed).
  int Stop(int timeoutMs) {
    child_.Kill(SIGTERM);
    const int status = child_.Wait(timeoutMs);
    Read(0);
    return status;
  }

 private:
  RelayProcess(int err, const std::function<int()>& body) : err_(err), child_(body) {}
  Fd err_;
  testing_platform::Child child_;
  bool ended_ = false;
  std::string log_;
  std::uint16_t port_ = 0;
};

// The user's chess client: a socket to the relay.
class Client {
 public:
  explicit Client(std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = connect(fd_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const int on = 1;
    setsockopt(fd_.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fcntl(fd_.Get(), F_SETFL, O_NONBLOCK);
  }
  bool Connected() const { return connected_; }
  // What to wait on: readable while open, writable while bytes wait; fd -1 once closed.
  pollfd PollEntry() const {
    return {closed_ ? -1 : fd_.Get(), static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
  }
  // Queues bytes; Pump() sends them as the socket takes them.
  void Send(std::string_view bytes) {
    out_.append(bytes);
    Pump(0);
  }
  // Sends and reads what it can, waiting up to timeoutMs for the socket.
  void Pump(int timeoutMs) {
    pollfd p = PollEntry();
    if (!fd_.Valid() || (timeoutMs > 0 && poll(&p, 1, timeoutMs) <= 0)) {
      return;
    }
    while (!out_.empty()) {
      const ssize_t n = send(fd_.Get(), out_.data(), out_.size(), MSG_NOSIGNAL);
      if (n <= 0) {
        break;
      }
      out_.erase(0, static_cast<std::size_t>(n));
    }
    char buffer[64 * 1024];
    for (;;) {
      const ssize_t n = recv(fd_.Get(), buffer, sizeof buffer, 0);
      if (n <= 0) {
        closed_ = closed_ || n == 0;
        break;
      }
      received_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  const std::string& Received() const { return received_; }
  bool ClosedByPeer() const { return closed_; }
  void Close() { fd_.Reset(); }

 private:
  Fd fd_;
  bool connected_ = false;
  bool closed_ = false;
  std::string out_;
  std::string received_;
};

// The stand-in server here, the relay started against it and a client connected to the relay,
// waited on together.
struct Rig {
  std::unique_ptr<standin::Server> server;
  std::unique_ptr<RelayProcess> relay;
  std::unique_ptr<Client> client;
  std::vector<Client*> others;  // more clients, waited on and pumped with the first

  // The relay's arguments, without the server's address; a quiet server answers nothing.
  explicit Rig(std::vector<std::string> args, bool quiet = false) : args_(std::move(args)) {
    auto listened = standin::Server::Listen();
    if (!listened) {
      std::fprintf(stderr, "%s\n", listened.Message().c_str());
      return;  // not Ok()
    }
    server = std::move(listened).Take();
    server->quiet = quiet;
    args_.push_back("127.0.0.1:" + std::to_string(server->Port()));
    NewSession();
  }
  // The user quits and comes back: a new relay and client against the same server, which
  // remembers what its users set. The relay ends first, so that it tells vantor1 nothing.
  void NewSession() {
    relay.reset();
    client.reset();
    relay = RelayProcess::Start(args_);
    if (relay) {
      client = std::make_unique<Client>(relay->Port());
    }
  }
  bool Ok() const { return server && client && client->Connected(); }
  // Sleeps until a socket, the relay's log or `also` (a descriptor of the caller's, when not
  // -1) has something, for up to timeoutMs, then lets each take what came.
  void Turn(int timeoutMs, int also = -1) {
    std::vector<pollfd> fds = server->PollSet();
    fds.push_back(client->PollEntry());
    for (Client* other : others) {
      fds.push_back(other->PollEntry());
    }
    fds.push_back({relay->Descriptor(), POLLIN, 0});
    fds.push_back({also, POLLIN, 0});
    poll(fds.data(), fds.size(), timeoutMs);
    server->Pump(0);
    client->Pump(0);
    for (Client* other : others) {
      other->Pump(0);
    }
    relay->Read(0);
  }
  // Turns until `done` holds, for up to timeoutMs.
  bool Await(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done() && Clock::now() < deadline) {
      Turn(RemainingMs(deadline));
    }
    return done();
  }
  bool AwaitLog(const std::string& pattern) {
    const std::regex expected(pattern);
    return Await([&] { return std::regex_search(relay->Log(), expected); });
  }

 private:
  std::vector<std::string> args_;
};

}  // namespace relaytest
