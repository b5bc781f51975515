#include "dialog/command_writer.h"

#include <string>

#include "hostlink/host_session.h"

namespace dialog {

bool WriteCommand(CIpcPipe* pipe, std::string_view text) {
  if (pipe == nullptr) {
    return false;
  }
  const std::string terminated(text);
  return StoreCommand(*pipe, terminated.c_str());
}

}  // namespace dialog
