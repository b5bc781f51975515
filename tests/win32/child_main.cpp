// A second process for the cross-process tests: win32_test_child ACTION NAME. The exit code is
// the result; 100 means the arguments were not understood.
#include <cstdlib>
#include <cstring>

#include "platform/named_mutex.h"
#include "platform/registered_message.h"

namespace {

int Run(const char* action, const char* name) {
  if (std::strcmp(action, "register") == 0) {
    return static_cast<int>(platform::RegisterMessage(name));
  }
  auto mutex = platform::NamedMutex::Open(name);
  if (!mutex) {
    return 2;
  }
  const bool owned = mutex->Wait() == platform::WaitResult::Signalled;
  if (std::strcmp(action, "die-owning") == 0) {
    // Ends the process while the mutex is still owned: the destructor would give it back.
    std::_Exit(owned ? 1 : 3);
  }
  if (std::strcmp(action, "lock-release") == 0) {
    return owned && mutex->Release() ? 1 : 3;
  }
  return 100;
}

}  // namespace

int main(int argc, char** argv) {
  return argc == 3 ? Run(argv[1], argv[2]) : 100;
}
