#pragma once
// The relay as its user runs it, for tests and benchmarks: the real vantor1-relay in a child
// process with its stderr read back, the stand-in server in this process and a client socket.
// Nothing here blocks for longer than a caller's bound.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "tools/standin_server/standin_server.h"

namespace relaytest {

using Fd = platform::detail::UniqueFd;
using Clock = std::chrono::steady_clock;

// vantor1-relay on an ephemeral loopback port, its stderr collected in Log().
class RelayProcess {
 public:
  static std::unique_ptr<RelayProcess> Start(std::vector<std::string> args) {
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) {
      return nullptr;
    }
    args.insert(args.begin(), {RELAY_PATH, "--listen", "127.0.0.1:0"});
    const pid_t pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(err[1], STDERR_FILENO);
      std::vector<char*> argv;
      for (std::string& arg : args) {
        argv.push_back(arg.data());
      }
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(err[1]);
    std::unique_ptr<RelayProcess> relay(new RelayProcess(pid, err[0]));
    std::string port;
    if (!relay->AwaitLog(std::regex("listening on 127.0.0.1:([0-9]+)"), 5000, {}, &port)) {
      return nullptr;
    }
    relay->port_ = static_cast<std::uint16_t>(std::stoi(port));
    return relay;
  }
  ~RelayProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  std::uint16_t Port() const { return port_; }
  const std::string& Log() const { return log_; }
  // Takes what the relay wrote, waiting up to timeoutMs for more.
  void Read(int timeoutMs) {
    pollfd p{err_.Get(), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) > 0) {
      char buffer[4096];
      const ssize_t n = read(err_.Get(), buffer, sizeof buffer);
      if (n > 0) {
        log_.append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  // Runs `pump` and reads the log until `pattern` matches it, for up to timeoutMs. `group`
  // receives the pattern's first group.
  bool AwaitLog(const std::regex& pattern, int timeoutMs, const std::function<void()>& pump,
                std::string* group = nullptr) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::smatch match;
    while (!std::regex_search(log_, match, pattern)) {
      if (Clock::now() >= deadline) {
        return false;
      }
      if (pump) {
        pump();
      }
      Read(pump ? 0 : 5);
    }
    if (group) {
      *group = match[1];
    }
    return true;
  }
  // SIGTERM, and the status once it has ended (within timeoutMs), or -1.
  int Stop(int timeoutMs) {
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        Read(0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      Read(5);
    }
    return -1;
  }

 private:
  RelayProcess(pid_t pid, int err) : pid_(pid), err_(err) {}
  pid_t pid_;
  Fd err_;
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
  int Descriptor() const { return fd_.Get(); }
  // Queues bytes; Pump() sends them as the socket takes them.
  void Send(std::string_view bytes) {
    out_.append(bytes);
    Pump(0);
  }
  std::size_t Unsent() const { return out_.size(); }
  // Sends and reads what it can, waiting up to timeoutMs for the socket.
  void Pump(int timeoutMs) {
    if (!fd_.Valid()) {
      return;
    }
    pollfd p{fd_.Get(), static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
    if (timeoutMs > 0 && poll(&p, 1, timeoutMs) <= 0) {
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
      if (n > 0) {
        received_.append(buffer, static_cast<std::size_t>(n));
      } else {
        closed_ = n == 0;
        break;
      }
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

// Pumps the server, the client and the relay's log until `done` holds, for up to timeoutMs.
inline bool Await(standin::Server& server, Client& client, RelayProcess& relay,
                  const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() >= deadline) {
      return false;
    }
    server.Pump(1);
    client.Pump(0);
    relay.Read(0);
  }
  return true;
}

}  // namespace relaytest
