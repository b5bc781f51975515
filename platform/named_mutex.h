#pragma once
#include <memory>
#include <string>

namespace platform {

enum class WaitResult {
  Signalled,  // the caller owns the mutex
  Abandoned,  // the last owner died holding it; the caller owns it now and it works again
  Failed,
};

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

  // Waits without time limit.
  [[nodiscard]] virtual WaitResult Wait() = 0;
  // Gives back ownership; false when the caller does not own it.
  virtual bool Release() = 0;
};

}  // namespace platform
