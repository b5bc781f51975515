// The relay against the simplest loopback forwarding loop, measured in the same run:
//   BM_LineLatency/relay:N: server line -> client, p50 and p99 in microseconds;
//   BM_BulkThroughput/relay:N: MB/s of bulk server traffic (80-byte lines);
//   N is 0 for the baseline, 1 for the relay with vantor1, 2 for the relay without one.
//   BM_NotificationToObserve: a followed player's notification at the server -> "observe" back
//     at the server, through the real relay and vantor1's real application object and window
//     code in this process (the follow list holds "alpha").
// The relay runs as the real vantor1-relay, with the real vantor1 (offscreen) for the first two.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <QApplication>
#include <algorithm>

#include "app/thread_message_pump.h"
#include "app/watch_app.h"
#include "platform/thread_id.h"
#include "tests/relay/relay_harness.h"
#include "ui/watch_dlg.h"

namespace {

using relaytest::Client;
using relaytest::Clock;
using relaytest::RelayProcess;

// The baseline: accepts one client and copies bytes both ways, nothing else.
[[noreturn]] void PassThrough(int listener, std::uint16_t serverPort) {
  const int client = accept(listener, nullptr, nullptr);
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(serverPort);
  connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const int on = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  char buffer[64 * 1024];
  for (;;) {
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    poll(fds, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents != 0) {
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n <= 0) {
          _exit(0);
        }
        for (ssize_t sent = 0; sent < n;) {
          sent += std::max<ssize_t>(0, write(fds[1 - i].fd, buffer + sent, n - sent));
        }
      }
    }
  }
}

// The benchmarks cannot run without their server: say why and stop.
std::unique_ptr<standin::Server> StartServer() {
  auto listened = standin::Server::Listen();
  if (!listened) {
    std::fprintf(stderr, "%s\n", listened.Message().c_str());
    std::exit(1);
  }
  return std::move(listened).Take();
}

// A server, something in the middle (the relay or the baseline) and a client.
struct Path {
  std::unique_ptr<standin::Server> server;
  std::unique_ptr<RelayProcess> relay;
  pid_t passThrough = -1;
  std::unique_ptr<Client> client;

  // 0: the baseline; 1: the relay with vantor1; 2: the relay alone (its vantor1 ends at once).
  explicit Path(std::int64_t mode) {
    const bool viaRelay = mode != 0;
    server = StartServer();
    server->quiet = true;
    const std::string serverAt = "127.0.0.1:" + std::to_string(server->Port());
    std::uint16_t port = 0;
    if (viaRelay) {
      relay = RelayProcess::Start({"--vantor", mode == 1 ? VANTOR1_PATH : "/bin/false", serverAt});
      port = relay->Port();
    } else {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t length = sizeof address;
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      listen(fd, 1);
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
      port = ntohs(address.sin_port);
      passThrough = fork();
      if (passThrough == 0) {
        PassThrough(fd, server->Port());
      }
      close(fd);
    }
    client = std::make_unique<Client>(port);
    while (!server->Connected()) {
      server->Pump(10);
    }
  }
  ~Path() {
    client.reset();
    if (passThrough > 0) {
      kill(passThrough, SIGKILL);
      waitpid(passThrough, nullptr, 0);
    }
  }
  // Waits for the client to hold `size` bytes.
  void AwaitReceived(std::size_t size) {
    while (client->Received().size() < size) {
      server->Pump(0);
      client->Pump(1);
    }
  }
};

double Percentile(std::vector<double> samples, double p) {
  std::sort(samples.begin(), samples.end());
  return samples[static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1))];
}

void BM_LineLatency(benchmark::State& state) {
  Path path(state.range(0));
  const std::string line = "fics% Game notification: A (1) vs. B (2) rated blitz 5 0: Game 1\n\r";
  std::vector<double> micros;
  for (auto _ : state) {
    for (int i = 0; i < 2000; ++i) {
      const auto start = Clock::now();
      path.server->Send(line);
      path.AwaitReceived(path.client->Received().size() + line.size());
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  state.counters["p50_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
}
BENCHMARK(BM_LineLatency)->Arg(0)->Arg(1)->Arg(2)->ArgName("relay")->Iterations(1)->UseRealTime();

void BM_BulkThroughput(benchmark::State& state) {
  Path path(state.range(0));
  std::string bulk;
  while (bulk.size() < (32u << 20)) {
    bulk += "fics% a bulk line of server text, as long as a line of a board or a list is\n\r";
  }
  double seconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    path.server->Send(bulk);
    path.AwaitReceived(bulk.size());
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["MB_per_s"] = static_cast<double>(bulk.size()) / 1e6 / seconds;
}
BENCHMARK(BM_BulkThroughput)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("relay")
    ->Iterations(1)
    ->UseRealTime();

void BM_NotificationToObserve(benchmark::State& state) {
  auto queue = platform::ThreadMessageQueue::Create();
  const ThreadMessagePump pump(
      *queue, [](const platform::ThreadMessage& m) { theApp.DispatchThreadMessage(m); });
  CWatchDlg dialog;
  theApp.m_pWatchDlg = &dialog;
  theApp.m_pWatchState = &dialog.m_state;
  dialog.m_pWritePipe = &theWritePipe;
  dialog.m_state.AddFollowName("alpha");

  auto server = StartServer();
  auto relay = RelayProcess::Start({"--attach", std::to_string(platform::CurrentThreadId()),
                                    "127.0.0.1:" + std::to_string(server->Port())});
  Client client(relay->Port());
  auto turn = [&] {
    server->Pump(0);
    client.Pump(0);
    relay->Read(0);
    QCoreApplication::processEvents();
    sched_yield();
  };
  client.Send("tester\nsecret\n");
  while (dialog.windowTitle() != "Vantor1 - tester") {
    turn();
  }
  std::vector<double> micros;
  int game = 100;
  for (auto _ : state) {
    for (int i = 0; i < 500; ++i) {
      hostsim::GameNotice notice;
      notice.game = ++game;
      notice.playerA = "Alpha";
      notice.playerB = "beta";
      const auto before = server->Lines().size();
      const auto start = Clock::now();
      server->Notify(notice);
      while (server->Lines().size() == before) {
        turn();
      }
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      server->EndGame(game);  // frees the board again
    }
  }
  state.counters["p50_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
  theApp.m_pWatchDlg = nullptr;
  theApp.m_pWatchState = nullptr;
}
BENCHMARK(BM_NotificationToObserve)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
