#pragma once
#include <chrono>
#include <memory>
#include <string>

namespace platform {

enum class WaitResult {
  Signalled,  // the caller owns the mutex
  Abandoned,  // the last owner died holding it; the caller owns it now and it works again
  TimedOut,   // a live owner kept it for the whole bound; nothing is owned
  Failed,
};

// How long a wait for a live owner lasts unless told otherwise: owners hold the pipes' mutexes
// only while they copy, so an owner that keeps one this long is stopped or hostile.
inline constexpr std::chrono::milliseconds kWaitBound{1000};

// A mutex shared between the processes of one user under a name. Private to the user: another
// user's process can neither open it nor take its name first. The creator's object removes the
// name when destroyed; openers keep working with what they opened.
class NamedMutex {
 public:
  // Creates the named mutex, replacing a stale one of the same user. Null on failure.
  static std::unique_ptr<NamedMutex> Create(const std::string& name);
  // Opens an existing named mutex; null when none exists or it is not the user's own.
  static std::unique_ptr<NamedMutex> Open(const std::string& name);
  virtual ~NamedMutex() = default;

  // Waits at most `bound` for an owner that lives (0: only tries). After a time-out the object
  // only tries, without waiting, until it is owned again, so that one stuck owner costs one
  // bound and not one per operation. A termination signal ends the wait at once.
  [[nodiscard]] virtual WaitResult Wait(std::chrono::milliseconds bound) = 0;
  [[nodiscard]] WaitResult Wait() { return Wait(kWaitBound); }
  // Gives back ownership; false when the caller does not own it.
  virtual bool Release() = 0;
};

}  // namespace platform
