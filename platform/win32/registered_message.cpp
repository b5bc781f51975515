#include "platform/registered_message.h"

#include <string>

#include "platform/win32/windows_api.h"

namespace platform {

namespace {
// The system keeps registered names as string atoms, which hold at most this many characters.
constexpr std::size_t kMaxName = 255;
}  // namespace

std::uint32_t RegisterMessage(std::string_view name) {
  // A NUL would end the name early and register a shorter one.
  if (name.empty() || name.size() > kMaxName || name.find('\0') != std::string_view::npos) {
    return 0;
  }
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

}  // namespace platform
