// Thread message queue costs, beside plain-descriptor baselines measured in the same run:
//   post cost       PostAndTake* vs PipeWriteRead24 (a 24-byte write()+read() on a pipe)
//   one-way latency QueueRoundTrip vs PipeRoundTrip (a forked echo child; one_way = trip / 2)
//   burst           QueueBurstAcceptance vs DatagramBurstAcceptance (posts a receiver that
//                   does not read accepts before refusing)
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "bench/receive.h"
#include "platform/thread_queue.h"

namespace {

using bench::Receive;
using platform::PostThreadMessage;
using platform::ThreadId;
using platform::ThreadMessageQueue;

constexpr std::uint32_t kPing = 0xC001;
constexpr std::uint32_t kStop = 0xC002;

// Forks a child running `body`, then `_exit`s it; the parent gets the child's pid.
pid_t ForkChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::_exit(body());
  }
  return pid;
}

void Reap(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
}

void OneWayCounter(benchmark::State& state) {
  state.counters["one_way"] =
      benchmark::Counter(2.0 * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A post to the calling thread's own queue and the take that empties it; the doorbell stays
// full, so each post's byte is refused as already pending (the cheap steady state of a burst).
void PostAndTake(benchmark::State& state) {
  auto queue = ThreadMessageQueue::Create();
  const ThreadId self = platform::CurrentThreadId();
  for (auto _ : state) {
    if (!PostThreadMessage(self, kPing, 1, 2)) {
      state.SkipWithError("post failed");
      break;
    }
    benchmark::DoNotOptimize(queue->Take());
  }
}
BENCHMARK(PostAndTake);

// The whole cycle a receiver goes through per message: post, wake-up consumed, take.
void PostDrainTake(benchmark::State& state) {
  auto queue = ThreadMessageQueue::Create();
  const ThreadId self = platform::CurrentThreadId();
  for (auto _ : state) {
    if (!PostThreadMessage(self, kPing, 1, 2)) {
      state.SkipWithError("post failed");
      break;
    }
    queue->ClearWakeups();
    benchmark::DoNotOptimize(queue->Take());
  }
}
BENCHMARK(PostDrainTake);

void PipeWriteRead24(benchmark::State& state) {
  int fds[2];
  if (::pipe(fds) != 0) {
    state.SkipWithError("pipe");
    return;
  }
  char buffer[24] = {1};
  for (auto _ : state) {
    if (::write(fds[1], buffer, sizeof(buffer)) != 24 || ::read(fds[0], buffer, 24) != 24) {
      state.SkipWithError("pipe io");
      break;
    }
  }
  ::close(fds[0]);
  ::close(fds[1]);
}
BENCHMARK(PipeWriteRead24);

// The parent posts a ping to a forked child's queue; the child posts it back.
void QueueRoundTrip(benchmark::State& state) {
  auto queue = ThreadMessageQueue::Create();
  const ThreadId parent = platform::CurrentThreadId();
  int ready[2];
  if (!queue || ::pipe(ready) != 0) {
    state.SkipWithError("set-up");
    return;
  }
  pid_t child = ForkChild([&] {
    auto own = ThreadMessageQueue::Create();
    char byte = 1;
    if (!own || ::write(ready[1], &byte, 1) != 1) {
      return 1;
    }
    platform::ThreadMessage m;
    while (Receive(*own, &m) && m.message == kPing) {
      if (!PostThreadMessage(parent, kPing, m.wParam, 0)) {
        return 2;
      }
    }
    return 0;
  });
  char byte = 0;
  if (::read(ready[0], &byte, 1) != 1) {
    state.SkipWithError("child did not start");
    Reap(child);
    return;
  }
  const auto target = static_cast<ThreadId>(child);
  platform::ThreadMessage m;
  for (auto _ : state) {
    if (!PostThreadMessage(target, kPing, 7, 0) || !Receive(*queue, &m)) {
      state.SkipWithError("round trip failed");
      break;
    }
  }
  OneWayCounter(state);
  (void)PostThreadMessage(target, kStop, 0, 0);
  Reap(child);
  ::close(ready[0]);
  ::close(ready[1]);
}
BENCHMARK(QueueRoundTrip)->UseRealTime();

void PipeRoundTrip(benchmark::State& state) {
  int there[2];
  int back[2];
  if (::pipe(there) != 0 || ::pipe(back) != 0) {
    state.SkipWithError("pipe");
    return;
  }
  pid_t child = ForkChild([&] {
    ::close(there[1]);  // so that the parent's close ends the loop
    char buffer[24];
    while (::read(there[0], buffer, 24) == 24) {
      if (::write(back[1], buffer, 24) != 24) {
        return 1;
      }
    }
    return 0;
  });
  char buffer[24] = {1};
  for (auto _ : state) {
    if (::write(there[1], buffer, 24) != 24 || ::read(back[0], buffer, 24) != 24) {
      state.SkipWithError("pipe io");
      break;
    }
  }
  OneWayCounter(state);
  ::close(there[1]);
  Reap(child);
  ::close(there[0]);
  ::close(back[0]);
  ::close(back[1]);
}
BENCHMARK(PipeRoundTrip)->UseRealTime();

// Another process posts to this thread, which does not read, until a post is refused.
void QueueBurstAcceptance(benchmark::State& state) {
  long accepted = 0;
  for (auto _ : state) {
    auto queue = ThreadMessageQueue::Create();
    const ThreadId self = platform::CurrentThreadId();
    int count[2];
    if (!queue || ::pipe(count) != 0) {
      state.SkipWithError("set-up");
      break;
    }
    pid_t child = ForkChild([&] {
      long n = 0;
      while (n < 1000000 && PostThreadMessage(self, kPing, static_cast<platform::WParam>(n), 0)) {
        ++n;
      }
      return ::write(count[1], &n, sizeof(n)) == sizeof(n) ? 0 : 1;
    });
    if (::read(count[0], &accepted, sizeof(accepted)) != sizeof(accepted)) {
      state.SkipWithError("no count");
    }
    Reap(child);
    ::close(count[0]);
    ::close(count[1]);
  }
  state.counters["accepted"] = static_cast<double>(accepted);
  state.counters["per_post"] =
      benchmark::Counter(static_cast<double>(accepted) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(QueueBurstAcceptance)->UseRealTime()->Iterations(20);

// The same with a plain AF_UNIX datagram socket per receiver, 24-byte messages.
void DatagramBurstAcceptance(benchmark::State& state) {
  long accepted = 0;
  for (auto _ : state) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_DGRAM, 0, pair) != 0) {
      state.SkipWithError("socketpair");
      break;
    }
    char message[24] = {1};
    accepted = 0;
    while (accepted < 1000000 && ::send(pair[0], message, sizeof(message), MSG_DONTWAIT) == 24) {
      ++accepted;
    }
    ::close(pair[0]);
    ::close(pair[1]);
  }
  state.counters["accepted"] = static_cast<double>(accepted);
}
BENCHMARK(DatagramBurstAcceptance)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
