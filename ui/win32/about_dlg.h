#pragma once
#include "ui/win32/windows_ui.h"

namespace ui::win32 {

// The About box from the IDD_ABOUTBOX template, modal over owner; it ends on OK, Enter or Esc.
void RunAboutBox(HWND owner);

}  // namespace ui::win32
