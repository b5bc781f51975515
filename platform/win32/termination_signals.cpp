#include "platform/termination_signals.h"

#include <atomic>

#include "platform/win32/termination_event.h"

// The console's control events (Ctrl-C, Ctrl-Break, the console closing) play the part of the
// POSIX signals. The system calls the handler on a thread of its own; it only sets the event.
namespace platform {

namespace {

HANDLE g_event = nullptr;
// True while an instance listens; otherwise the events keep their default effect.
std::atomic<bool> g_listening{false};

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (!g_listening.load() || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    return FALSE;
  }
  ::SetEvent(g_event);
  return TRUE;
}

}  // namespace

std::unique_ptr<TerminationSignals> TerminationSignals::Install() {
  if (g_event == nullptr) {
    g_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_event == nullptr || !::SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
      return nullptr;
    }
  }
  ::ResetEvent(g_event);
  g_listening.store(true);
  return std::unique_ptr<TerminationSignals>(new TerminationSignals(-1, -1));
}

TerminationSignals::~TerminationSignals() {
  g_listening.store(false);
}

void TerminationSignals::Clear() {
  ::ResetEvent(g_event);
}

namespace win32 {

HANDLE TerminationEvent() {
  return g_event;
}

}  // namespace win32

}  // namespace platform
