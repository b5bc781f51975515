// The pipe's cost per message, beside a plain memcpy of the same bytes, and the handshake's
// time into the host side (hostside/) draining the write end on a thread of its own.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "hostside/host_side.h"
#include "platform/thread_id.h"
#include "platform/thread_queue.h"

namespace {

constexpr std::int32_t kRingSize = 65536;
constexpr std::size_t kHandshakeMessages = 1404;

// The host's objects of one pipe, named apart from any other process's.
std::unique_ptr<hostside::HostPipe> HostObjects(hostside::PipeEnd end) {
  auto pipe = hostside::HostPipe::CreateNext(end, kRingSize);
  return pipe ? std::move(pipe).Take() : nullptr;
}

void DrainQueue(platform::ThreadMessageQueue& queue) {
  queue.ClearWakeups();
  while (queue.Take()) {
  }
}

// One message Write then Read through an odd pipe whose reader is this thread.
void BM_PipeWriteThenRead(benchmark::State& state) {
  const auto size = static_cast<std::int32_t>(state.range(0));
  const auto host = HostObjects(hostside::PipeEnd::ToProgram);
  auto queue = platform::ThreadMessageQueue::Create();
  CIpcPipe pipe;
  if (!host || !queue || pipe.Open(host->Index(), kRingSize) != 1) {
    state.SkipWithError("cannot set up the pipe");
    return;
  }
  std::vector<char> message(size, 'm'), out(size);
  std::int64_t sinceDrain = 0;
  for (auto _ : state) {
    if (pipe.Write(message.data(), size) != 1 || pipe.Read(out.data(), size) != size) {
      state.SkipWithError("transfer failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
    if (++sinceDrain == 4096) {  // keep the thread queue far from full, outside the timing
      state.PauseTiming();
      DrainQueue(*queue);
      sinceDrain = 0;
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_PipeWriteThenRead)->Arg(6)->Arg(90);

// The same with no consumer to post to (offset 0 left at 0, so the post is refused at once):
// the lock, the index checks and the copies alone.
void BM_PipeWriteThenReadWithoutPost(benchmark::State& state) {
  const auto size = static_cast<std::int32_t>(state.range(0));
  const auto host = HostObjects(hostside::PipeEnd::ToHost);  // Open leaves offset 0 alone
  CIpcPipe pipe;
  if (!host || pipe.Open(host->Index(), kRingSize) != 1) {
    state.SkipWithError("cannot set up the pipe");
    return;
  }
  std::vector<char> message(size, 'm'), out(size);
  for (auto _ : state) {
    pipe.Write(message.data(), size);  // 0: stored, but nobody to signal
    if (pipe.Read(out.data(), size) != size) {
      state.SkipWithError("transfer failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_PipeWriteThenReadWithoutPost)->Arg(6)->Arg(90);

// The same bytes copied in and out of a buffer by memcpy: the floor for the pipe above.
void BM_MemcpyInAndOut(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::vector<char> message(size, 'm'), ring(kRingSize), out(size);
  for (auto _ : state) {
    std::memcpy(ring.data(), message.data(), size);
    benchmark::ClobberMemory();
    std::memcpy(out.data(), ring.data(), size);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_MemcpyInAndOut)->Arg(6)->Arg(90);

// The host side on its own thread, with one pipe to the host: it drains the
// pipe and decodes the messages on every post, as the host does, and counts what arrived.
class DrainingHost {
 public:
  DrainingHost() : program_(platform::CurrentThreadId()) {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
  }
  ~DrainingHost() {
    stop_ = true;
    if (index_ != 0) {
      (void)platform::PostThreadMessage(hostThread_, IpcNewPipeMessage(), 0, 0);  // wakes it
    }
    thread_.join();
  }
  // The pipe to the host, 0 when the host could not be set up.
  std::int32_t Index() const { return index_; }
  // Waits until `count` more messages have arrived; false after 5 s.
  bool WaitForMessages(std::size_t count) {
    std::unique_lock lock(mutex_);
    const bool done =
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return received_ >= count; });
    received_ -= std::min(received_, count);
    return done;
  }

 private:
  void Run() {
    auto created = hostside::HostSide::Create(program_, std::nullopt);
    const std::unique_ptr<hostside::HostSide> host = created ? std::move(created).Take() : nullptr;
    hostside::HostPipe* pipe = nullptr;
    if (host) {
      const auto made = host->CreatePipe(hostside::PipeEnd::ToHost, kRingSize);
      pipe = made ? *made : nullptr;
    }
    {
      std::lock_guard lock(mutex_);
      index_ = pipe ? pipe->Index() : 0;
      hostThread_ = platform::CurrentThreadId();
      started_ = true;
    }
    changed_.notify_all();
    pollfd watch{pipe ? host->Descriptor() : -1, POLLIN, 0};
    while (pipe && !stop_) {
      ::poll(&watch, 1, 5000);
      const std::size_t arrived = host->TakeIncoming().size();
      std::lock_guard lock(mutex_);
      received_ += arrived;
      changed_.notify_all();
    }
  }

  platform::ThreadId program_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  std::atomic<bool> stop_{false};
  std::int32_t index_ = 0;
  platform::ThreadId hostThread_ = 0;
  std::size_t received_ = 0;
};

void BM_HandshakeIntoDrainingHost(benchmark::State& state) {
  DrainingHost host;
  CIpcPipe pipe;
  if (host.Index() == 0 || pipe.Open(host.Index(), kRingSize) != 1) {
    state.SkipWithError("cannot set up the host or the pipe");
    return;
  }
  for (auto _ : state) {
    SendHandshake(pipe);
    if (!host.WaitForMessages(kHandshakeMessages)) {
      state.SkipWithError("the host did not receive the whole handshake");
      break;
    }
  }
  state.counters["per_message_us"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kHandshakeMessages),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HandshakeIntoDrainingHost)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
