#include "platform/thread_queue.h"

#include "platform/win32/windows_api.h"

// The system's own thread message queue. It belongs to the thread from its first call into the
// window system until the thread ends; this object only makes sure it exists and reads it.
// Posts are the system's: a post to a thread without a queue, or to one that ended, fails.
namespace platform {

namespace {

// Take reads only messages posted to the thread, never those of its windows.
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(-1);
// More than the system lets one queue hold.
constexpr int kMaxDiscarded = 1 << 16;

// The queue needs no descriptor: the thread waits on the queue itself.
class Win32ThreadMessageQueue final : public ThreadMessageQueue {
 public:
  // What was posted to this queue ends with it, as it would with a queue of its own; the
  // system's queue itself lives on with the thread. Bounded, as posters may go on posting.
  ~Win32ThreadMessageQueue() override {
    MSG msg{};
    for (int i = 0; i < kMaxDiscarded && ::PeekMessageA(&msg, kThreadMessagesOnly, 0, 0, PM_REMOVE);
         ++i) {
    }
  }

  int Descriptor() const override { return -1; }

  void ClearWakeups() override { wakePending_ = false; }

  std::optional<ThreadMessage> Take() override {
    MSG msg{};
    if (!::PeekMessageA(&msg, kThreadMessagesOnly, 0, 0, PM_REMOVE)) {
      return std::nullopt;
    }
    return ThreadMessage{msg.message, msg.wParam, msg.lParam};
  }

  void Wake() override { wakePending_ = true; }

  bool WaitForWakeup(int timeoutMs) override {
    if (wakePending_) {
      return true;
    }
    // MWMO_INPUTAVAILABLE: messages already queued count, not only those posted since the
    // last look at the queue.
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    return ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_POSTMESSAGE,
                                         MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
  }

 private:
  // Wake() has no message of its own to post (that would reach the thread's message map), so
  // it is kept here; only the owning thread calls these members.
  bool wakePending_ = false;
};

}  // namespace

bool PostThreadMessage(ThreadId thread, std::uint32_t message, WParam wParam, LParam lParam) {
  return ::PostThreadMessageA(thread, message, wParam, lParam) != 0;
}

std::unique_ptr<ThreadMessageQueue> ThreadMessageQueue::Create() {
  // The first look into the queue makes the system create it.
  MSG msg{};
  ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  return std::make_unique<Win32ThreadMessageQueue>();
}

}  // namespace platform
