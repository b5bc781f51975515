#pragma once
#include "ui/win32/windows_ui.h"

// The one icon in the notification area that stands in for the hidden main window.
namespace ui::win32 {

// The icon's callback message to the window: wParam the icon id 0, lParam the mouse message.
inline constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;

// Adds the icon (id 0) with the tip "the program's name", at most 63 characters. A failure is
// not reported: the window hides all the same.
void AddTrayIcon(HWND window, HICON icon);
void RemoveTrayIcon(HWND window);

}  // namespace ui::win32
