// Feeds arbitrary bytes into the read end, as a misbehaving host could, and drains them through
// the reader and the observation policy. The first input byte chooses the viewing options so
// that every branch of the policy is reachable; the rest is the ring's content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "hostlink/ring.h"
#include "tests/support/loopback.h"
#include "watcher/calendar_clock.h"
#include "watcher/drain.h"

namespace {

constexpr std::int32_t kRingSize = 1 << 16;

hostside::Loopback& Link() {
  static hostside::Loopback link(kRingSize);
  if (!link.Opened()) {
    std::abort();
  }
  return link;
}

WatchState StateFor(std::uint8_t options) {
  WatchState state;
  state.allNotifyMode = (options & 0x03) == 1;
  state.watchNone = (options & 0x03) == 2;
  state.allowWild = !(options & 0x04);
  state.allowStandard = !(options & 0x08);
  state.allowUnrated = !(options & 0x10);
  state.myEtimeOnly = (options & 0x20) != 0;
  state.noIncrement = (options & 0x40) != 0;
  state.maxGameWindows = (options & 0x80) ? 2 : 6;
  state.reservedBoards = (options & 0x80) ? 1 : 0;
  state.minEtime = (options & 0x20) ? 3.0f : 0.0f;
  for (const char* name : {"alpha", "beta", "gamma"}) {
    state.AddFollowName(name);
  }
  return state;
}

// What must hold after any input, however malformed.
void CheckInvariants(const WatchState& state, const std::vector<std::string>& sent) {
  if (state.watchedCount != static_cast<std::int32_t>(state.watchedGames.size()) ||
      state.myName.size() > WatchState::kMaxNameLength) {
    std::abort();
  }
  // Observe commands, and once the identity came the one request for the notification list.
  int listRequests = 0;
  for (const std::string& command : sent) {
    const std::string_view text(command);
    if (text == "=gnotify\n" && ++listRequests == 1) {
      continue;
    }
    if (text.substr(0, 8) != "observe " || text.back() != '\n') {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  hostside::Loopback& link = Link();
  SetCalendarClockForTesting([] { return std::int64_t{1000}; });
  WatchState state = StateFor(data[0]);
  const std::size_t bytes = std::min<std::size_t>(size - 1, kRingSize - 1);
  if (!link.Put({data + 1, bytes})) {
    std::abort();
  }
  // A drain stops at a refused message; the host's next signal starts another.
  while (RingBytesInUse(LoadRingHeader(link.toProgram->View()), kRingSize) > 0) {
    DrainReadPipe(link.readPipe, link.writePipe, state);
  }
  CheckInvariants(state, link.TakeCommands());
  return 0;
}
