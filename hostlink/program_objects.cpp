// The program-wide objects of the host link, defined together in this one translation unit so
// that their order of construction is the order below: the message numbers first, then the two
// ends. Write refers to IpcDataReadyMessage, so linking the pipe always links this file too.
#include <cerrno>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "platform/registered_message.h"

namespace {

int gRegisterError = 0;  // constant-initialised, so valid before any static initialiser runs

std::uint32_t Register(const char* name) {
  errno = 0;
  const std::uint32_t number = platform::RegisterMessage(name);
  if (number == 0) {
    gRegisterError = errno != 0 ? errno : EIO;
  }
  return number;
}

}  // namespace

int RegisteredMessageError() {
  return gRegisterError;
}

std::uint32_t IpcNewPipeMessage() {
  // A function-local static, so that a static initialiser elsewhere that runs first still
  // gets the number rather than 0.
  static const std::uint32_t number = Register("IPCNewPipe");
  return number;
}

std::uint32_t IpcDataReadyMessage() {
  static const std::uint32_t number = Register("IPCDataReady");
  return number;
}

namespace {

// Register both names during static initialisation, before the ends below exist.
[[maybe_unused]] const std::uint32_t kNewPipeRegistered = IpcNewPipeMessage();
[[maybe_unused]] const std::uint32_t kDataReadyRegistered = IpcDataReadyMessage();

}  // namespace

CIpcPipe theReadPipe;
CIpcPipe theWritePipe;
