#pragma once
#include <string>
#include <string_view>

namespace ui::win32 {

// Bytes from the host or the templates as the window shows them: valid UTF-8 as UTF-8, anything
// else one character per byte (Latin-1), so that no byte is lost or refused.
std::wstring Widen(std::string_view bytes);

}  // namespace ui::win32
