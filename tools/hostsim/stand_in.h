#pragma once
#include <functional>
#include <optional>

#include "platform/thread_queue.h"

namespace hostsim {

// vantor1's thread message loop minus the window, for a forked child or a program of its own:
// one message per turn with a wake-up left for the rest, the same announcement handling and the
// same drain and policy, with `followed` on the follow list (null: an empty list, as vantor1
// starts). `first` sees every message before the loop does; a value it returns ends the loop
// with that status. The host's quit message ends it with `quitStatus`.
// 3 when the thread's queue cannot be created.
using StandInHook = std::function<std::optional<int>(const platform::ThreadMessage&)>;
int RunStandIn(const char* followed, const StandInHook& first, int quitStatus = 0);

}  // namespace hostsim
