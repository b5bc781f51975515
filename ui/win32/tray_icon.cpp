#include "ui/win32/tray_icon.h"

#include <string>

namespace ui::win32 {

namespace {

// The first layout of the structure (size, window, id, flags, message, icon, 64-byte tip),
// which every version of the shell takes.
NOTIFYICONDATAA FirstLayout(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = 0;
  return data;
}

// The executable's name without its folder and extension.
std::string AppName() {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, length < MAX_PATH ? length : 0);
  name.erase(0, name.find_last_of("\\/") + 1);
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    name.erase(dot);
  }
  return name;
}

}  // namespace

void AddTrayIcon(HWND window, HICON icon) {
  NOTIFYICONDATAA data = FirstLayout(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = icon;
  ::lstrcpynA(data.szTip, AppName().c_str(), 64);
  ::Shell_NotifyIconA(NIM_ADD, &data);
}

void RemoveTrayIcon(HWND window) {
  NOTIFYICONDATAA data = FirstLayout(window);
  ::Shell_NotifyIconA(NIM_DELETE, &data);
}

}  // namespace ui::win32
