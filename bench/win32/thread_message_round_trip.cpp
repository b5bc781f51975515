// One-way latency of a thread message between two processes: this program posts a ping to a
// child (itself, started with "echo PARENT_TID"), which posts it back. Prints nanoseconds per
// one-way trip, the median of several runs. Compare with QueueRoundTrip of
// bench/thread_queue_bench.cpp, measured in the same session.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/receive.h"
#include "platform/thread_id.h"
#include "platform/thread_queue.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace {

using bench::Receive;

constexpr std::uint32_t kPing = WM_APP + 1;
constexpr std::uint32_t kStop = WM_APP + 2;
constexpr int kTrips = 500;
constexpr int kRuns = 5;

int Echo(platform::ThreadId parent) {
  auto queue = platform::ThreadMessageQueue::Create();
  // The parent learns that the queue exists from the first message it gets.
  if (!platform::PostThreadMessage(parent, kPing, 0, 0)) {
    return 1;
  }
  platform::ThreadMessage m;
  while (Receive(*queue, &m) && m.message == kPing) {
    if (!platform::PostThreadMessage(parent, kPing, m.wParam, 0)) {
      return 2;
    }
  }
  return 0;
}

double NowNs() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1e9 / static_cast<double>(frequency.QuadPart);
}

int Measure() {
  auto queue = platform::ThreadMessageQueue::Create();
  char self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string commandLine =
      "\"" + std::string(self, length) + "\" echo " + std::to_string(platform::CurrentThreadId());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    std::fprintf(stderr, "cannot start the echo process\n");
    return 1;
  }
  platform::detail::UniqueHandle process(info.hProcess), thread(info.hThread);
  platform::ThreadMessage m;
  if (!Receive(*queue, &m)) {
    std::fprintf(stderr, "the echo process did not start\n");
    return 1;
  }
  std::vector<double> oneWay;
  for (int run = 0; run < kRuns; ++run) {
    const double start = NowNs();
    for (int i = 0; i < kTrips; ++i) {
      if (!platform::PostThreadMessage(info.dwThreadId, kPing, i, 0) || !Receive(*queue, &m)) {
        std::fprintf(stderr, "round trip failed\n");
        return 1;
      }
    }
    oneWay.push_back((NowNs() - start) / (2.0 * kTrips));
  }
  (void)platform::PostThreadMessage(info.dwThreadId, kStop, 0, 0);
  ::WaitForSingleObject(process.Get(), 10000);
  std::sort(oneWay.begin(), oneWay.end());
  std::printf("thread message one-way: %.0f ns (median of %d runs of %d round trips)\n",
              oneWay[kRuns / 2], kRuns, kTrips);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "echo") {
    return Echo(static_cast<platform::ThreadId>(std::strtoul(argv[2], nullptr, 10)));
  }
  return Measure();
}
