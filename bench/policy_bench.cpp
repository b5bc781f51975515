// Decode plus policy per game notification, in-process, beside the pipe traffic alone.
//
// Each iteration of both benchmarks moves the same bytes: the host stores a notification
// message in the read end and takes the observe command out of the write end. The baseline
// does only that transport (CIpcPipe::Read of the notification, CIpcPipe::Write of the
// command); the other reads the notification through ReadHostMessage, which decodes it and
// runs the policy (which sends the command through SendText). Their ratio is the cost of
// decoding and deciding relative to moving the bytes.
#include <benchmark/benchmark.h>

#include <limits>
#include <vector>

#include "tests/support/loopback.h"
#include "watcher/host_message.h"

namespace {

const std::string kLine =
    "Game notification: Alpha (1800) vs. beta (1700) rated blitz 5 0: Game 123";
const std::string kCommand = "observe alpha\n";

WatchState FollowingAlpha() {
  WatchState state;
  state.AddFollowName("alpha");
  state.maxGameWindows = std::numeric_limits<std::int32_t>::max();  // never at the limit
  return state;
}

void BM_PipeTransportOnly(benchmark::State& bench) {
  hostside::Loopback link(1 << 16);
  if (!link.Opened()) {
    bench.SkipWithError("could not create the pipes");
    return;
  }
  const auto message = FrameArguments(1, {kLine});
  std::vector<std::uint8_t> buffer(message.size());
  for (auto _ : bench) {
    link.Put(message);
    benchmark::DoNotOptimize(
        link.readPipe.Read(buffer.data(), static_cast<std::int32_t>(buffer.size())));
    link.writePipe.Write(kCommand.c_str(), static_cast<std::int32_t>(kCommand.size() + 1));
    benchmark::DoNotOptimize(link.toHost->TakeAll());
  }
}
BENCHMARK(BM_PipeTransportOnly);

void BM_DecodeAndPolicyFollowedPlayer(benchmark::State& bench) {
  hostside::Loopback link(1 << 16);
  if (!link.Opened()) {
    bench.SkipWithError("could not create the pipes");
    return;
  }
  WatchState state = FollowingAlpha();
  const auto message = FrameArguments(1, {kLine});
  for (auto _ : bench) {
    link.Put(message);
    ReleaseHostMessage(ReadHostMessage(link.readPipe, link.writePipe, state));
    benchmark::DoNotOptimize(link.toHost->TakeAll());
  }
  if (state.claimedBoards <= 0) {
    bench.SkipWithError("no observe command was sent");
  }
}
BENCHMARK(BM_DecodeAndPolicyFollowedPlayer);

// A notification that is decided against (nobody followed): decode and tokenise, no send.
void BM_DecodeAndPolicyUnfollowed(benchmark::State& bench) {
  hostside::Loopback link(1 << 16);
  if (!link.Opened()) {
    bench.SkipWithError("could not create the pipes");
    return;
  }
  WatchState state;
  const auto message = FrameArguments(1, {kLine});
  for (auto _ : bench) {
    link.Put(message);
    ReleaseHostMessage(ReadHostMessage(link.readPipe, link.writePipe, state));
  }
}
BENCHMARK(BM_DecodeAndPolicyUnfollowed);

}  // namespace

BENCHMARK_MAIN();
