#pragma once
// Real mouse and keyboard input (SendInput) aimed at windows of this or another process.
#include <string>

#include "ui/win32/windows_ui.h"

namespace testing_win32 {

inline std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

// The top-level dialog whose caption is exactly caption (FindWindow ignores case), or null.
inline HWND FindDialog(const wchar_t* caption) {
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, L"#32770", caption)) != nullptr &&
         WindowText(window) != caption) {
  }
  return window;
}

inline void SendMouse(DWORD flags, POINT at) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>(at.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
  input.mi.dy = static_cast<LONG>(at.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  ::SendInput(1, &input, sizeof input);
}

// A left click at a point of the screen.
inline void ClickAt(POINT at) {
  SendMouse(0, at);
  SendMouse(MOUSEEVENTF_LEFTDOWN, at);
  SendMouse(MOUSEEVENTF_LEFTUP, at);
}

// A left click in the middle of a window (a control, say).
inline void Click(HWND window) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  ClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

inline void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, input, sizeof input[0]);
}

// Lower-case letters and digits, as keys; "\r" is Enter (VK_RETURN is its code).
inline void Type(const std::string& text) {
  for (const char c : text) {
    PressKey(static_cast<WORD>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  }
}

// The point of the window's frame that answers as hit, found by asking the window itself.
inline bool FindFramePart(HWND window, LRESULT hit, POINT& at) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  for (LONG y = rect.top; y < rect.top + 40; y += 2) {
    for (LONG x = rect.right - 1; x > rect.right - 120; x -= 2) {
      const LPARAM point = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
      if (::SendMessageW(window, WM_NCHITTEST, 0, point) == hit) {
        at = POINT{x, y};
        return true;
      }
    }
  }
  return false;
}

}  // namespace testing_win32
