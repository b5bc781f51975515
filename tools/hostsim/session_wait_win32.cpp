#include <algorithm>

#include "platform/win32/termination_event.h"
#include "platform/win32/windows_api.h"
#include "tools/hostsim/session.h"

namespace hostsim {

void Session::WaitUntil(Clock::time_point deadline) {
  host_.RetrySignal();
  if (host_.SignalPending()) {
    deadline = std::min(deadline, Clock::now() + HostSide::kSignalRetry);
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  const auto timeout = static_cast<DWORD>(std::clamp<long long>(left, 0, 3600 * 1000));
  HANDLE handles[2];
  DWORD count = 0;
  const HANDLE interrupt = interrupts_ ? platform::win32::TerminationEvent() : nullptr;
  if (interrupt != nullptr) {
    handles[count++] = interrupt;
  }
  if (program_.ExitWaitable() != -1 && !program_.Poll()) {
    handles[count++] = reinterpret_cast<HANDLE>(program_.ExitWaitable());
  }
  // Posts already queued count too (MWMO_INPUTAVAILABLE), not only those that came since the
  // queue was last looked at.
  ::MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_POSTMESSAGE, MWMO_INPUTAVAILABLE);
  // Taking the posts never blocks and reads every pipe, so it is done whatever woke the wait.
  Deliver();
  if (interrupt != nullptr && ::WaitForSingleObject(interrupt, 0) == WAIT_OBJECT_0) {
    interrupts_->Clear();
    interrupted_ = true;
  }
  // A program that ended may have written its last messages just before: take them first.
  if (program_.Poll()) {
    Deliver();
  }
}

}  // namespace hostsim
