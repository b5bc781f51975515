#pragma once
#include <optional>

#include "platform/thread_queue.h"

namespace platform {

// One turn of a thread's message loop, after its queue's descriptor became readable: takes the
// next message and, when there was one, leaves a wake-up for the rest, so that they follow on
// later turns (of whatever loop runs then, a nested one included) and the thread stays
// responsive during a burst. Nothing when the queue was empty.
std::optional<ThreadMessage> TakeNextMessage(ThreadMessageQueue& queue);

}  // namespace platform
