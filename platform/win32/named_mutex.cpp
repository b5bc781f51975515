#include "platform/named_mutex.h"

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

// A kernel mutex under the name as given: the session's namespace scopes it, so another user's
// session can neither see nor take it. The system keeps the name while any handle is open, so
// openers keep it alive after the creator has gone.
namespace platform {

namespace {

using detail::UniqueHandle;

class Win32NamedMutex final : public NamedMutex {
 public:
  explicit Win32NamedMutex(UniqueHandle handle) : handle_(std::move(handle)) {}

  ~Win32NamedMutex() override {
    // Ownership this thread still holds is given back; closing the handle alone would keep the
    // mutex owned until the thread ends, and every other process would wait on it until then.
    while (::ReleaseMutex(handle_.Get())) {
    }
  }

  WaitResult Wait(std::chrono::milliseconds bound) override {
    // After a time-out only tries, as on the other systems, until owned again.
    const DWORD ms = stuck_ ? 0 : static_cast<DWORD>(std::max<long long>(bound.count(), 0));
    switch (::WaitForSingleObject(handle_.Get(), ms)) {
      case WAIT_OBJECT_0:
        stuck_ = false;
        return WaitResult::Signalled;
      case WAIT_ABANDONED:
        stuck_ = false;
        return WaitResult::Abandoned;
      case WAIT_TIMEOUT:
        stuck_ = true;
        return WaitResult::TimedOut;
      default:
        break;
    }
    return WaitResult::Failed;
  }

  bool Release() override { return ::ReleaseMutex(handle_.Get()) != 0; }

 private:
  UniqueHandle handle_;
  bool stuck_ = false;
};

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name) {
  UniqueHandle handle(::CreateMutexA(nullptr, FALSE, name.c_str()));
  // A name that is taken belongs to a live process (no stale objects outlive their handles):
  // sharing it would put two owners on one pipe.
  if (!handle.Valid() || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    return nullptr;
  }
  return std::make_unique<Win32NamedMutex>(std::move(handle));
}

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
  // Not inheritable: a process this one starts has no business with the host's lock.
  UniqueHandle handle(::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()));
  if (!handle.Valid()) {
    return nullptr;
  }
  return std::make_unique<Win32NamedMutex>(std::move(handle));
}

}  // namespace platform
