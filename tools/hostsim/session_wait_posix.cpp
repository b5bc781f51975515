#include <poll.h>

#include <algorithm>

#include "tools/hostsim/session.h"

namespace hostsim {

void Session::WaitUntil(Clock::time_point deadline) {
  host_.RetrySignal();
  if (host_.SignalPending()) {
    deadline = std::min(deadline, Clock::now() + HostSide::kSignalRetry);
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  const int timeout = static_cast<int>(std::clamp<long long>(left, 0, 3600 * 1000));
  const bool watchExit = program_.ExitWaitable() >= 0 && !program_.Poll();
  pollfd fds[3] = {{host_.Descriptor(), POLLIN, 0},
                   {interrupts_ ? interrupts_->Descriptor() : -1, POLLIN, 0},
                   {watchExit ? static_cast<int>(program_.ExitWaitable()) : -1, POLLIN, 0}};
  const int n = poll(fds, 3, timeout);
  if (n < 0) {
    return;  // EINTR: the caller looks at the clock and comes back
  }
  if (fds[0].revents != 0) {
    Deliver();
  }
  if (fds[1].revents != 0) {
    interrupts_->Clear();
    interrupted_ = true;
  }
  // A program that ended may have written its last messages just before: take them first.
  if (program_.Poll()) {
    Deliver();
  }
}

}  // namespace hostsim
