#pragma once
#include <QString>
#include <string_view>

namespace ui {

// Bytes from the server or the name box as the window shows them: as UTF-8 when they are well
// formed, else as Latin-1, one character a byte (a login name in a single-byte code page),
// so that no byte turns into a replacement character.
QString DisplayText(std::string_view bytes);

}  // namespace ui
