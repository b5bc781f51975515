#include "dialog/command_writer.h"

#include <string>

#include "hostlink/framing.h"
#include "hostlink/host_session.h"
#include "platform/last_error.h"

namespace dialog {

bool WriteCommand(CIpcPipe* pipe, std::string_view text) {
  if (pipe == nullptr) {
    return false;
  }
  const std::string terminated(text);
  platform::SetLastError(0);
  return SendText(*pipe, kCommandKind, terminated.c_str()) == 1 || platform::GetLastError() == 0;
}

}  // namespace dialog
