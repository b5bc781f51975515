#include "app/win32/thread_message_loop.h"

#include <utility>

namespace app::win32 {

namespace {

// The dispatch of the one thread that runs the window: a hook procedure gets no context.
ThreadDispatch* g_dispatch = nullptr;

}  // namespace

ThreadMessageFilter::ThreadMessageFilter(ThreadDispatch dispatch)
    : dispatch_(std::move(dispatch)),
      hook_(::SetWindowsHookExW(WH_MSGFILTER, &ThreadMessageFilter::Hook, nullptr,
                                ::GetCurrentThreadId())) {
  if (hook_ != nullptr) {
    g_dispatch = &dispatch_;
  }
}

ThreadMessageFilter::~ThreadMessageFilter() {
  if (hook_ != nullptr) {
    ::UnhookWindowsHookEx(hook_);
    g_dispatch = nullptr;
  }
}

// Called by every modal loop for each message it took, before it handles it. A thread message
// would otherwise be dispatched to no window and lost; taking it here (returning nonzero) also
// keeps the modal loop from handling it a second time.
LRESULT CALLBACK ThreadMessageFilter::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && g_dispatch != nullptr) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    if (msg.hwnd == nullptr && (*g_dispatch)(msg)) {
      return TRUE;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void RunDialogLoop(HWND dialog, const ThreadDispatch& dispatch) {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr) {
      (void)dispatch(msg);  // a thread message without an entry has nowhere to go
      continue;
    }
    if (!::IsWindow(dialog) || !::IsDialogMessageW(dialog, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

}  // namespace app::win32
