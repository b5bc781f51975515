#include "ui/win32/tray_icon.h"

#include <string>

#include "dialog/status_line.h"
#include "ui/win32/wide_text.h"

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

// The tip in the system's code page, cut to the first layout's 63 bytes and its NUL; a
// character that the code page lacks shows as '?'. Converted whole first: a conversion into
// too small a buffer fails.
void FillTip(NOTIFYICONDATAA& data, std::string_view status) {
  const std::wstring tip = Widen(dialog::TrayTipText(AppName(), status));
  const int size = ::WideCharToMultiByte(CP_ACP, 0, tip.c_str(), -1, nullptr, 0, "?", nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, tip.c_str(), -1, bytes.data(), size, "?", nullptr);
  ::lstrcpynA(data.szTip, bytes.c_str(), sizeof data.szTip);
}

}  // namespace

void AddTrayIcon(HWND window, HICON icon, std::string_view status) {
  NOTIFYICONDATAA data = FirstLayout(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = icon;
  FillTip(data, status);
  ::Shell_NotifyIconA(NIM_ADD, &data);
}

void SetTrayTip(HWND window, std::string_view status) {
  NOTIFYICONDATAA data = FirstLayout(window);
  data.uFlags = NIF_TIP;
  FillTip(data, status);
  ::Shell_NotifyIconA(NIM_MODIFY, &data);
}

void RemoveTrayIcon(HWND window) {
  NOTIFYICONDATAA data = FirstLayout(window);
  ::Shell_NotifyIconA(NIM_DELETE, &data);
}

}  // namespace ui::win32
