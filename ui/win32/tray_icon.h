#pragma once
#include <string_view>

#include "ui/win32/windows_ui.h"

// The one icon in the notification area that stands in for the hidden main window.
namespace ui::win32 {

// The icon's callback message to the window: wParam the icon id 0, lParam the mouse message.
inline constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;

// Adds the icon (id 0) with the tip "the program's name: status" (status as UTF-8), in the
// system's code page and at most 63 characters. A failure is not reported: the window hides
// all the same.
void AddTrayIcon(HWND window, HICON icon, std::string_view status);
// The shown icon's tip, as AddTrayIcon makes it.
void SetTrayTip(HWND window, std::string_view status);
void RemoveTrayIcon(HWND window);

}  // namespace ui::win32
