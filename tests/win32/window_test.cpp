// The native main window in this process: built as its template says, its start values, its
// colours, and minimising into the notification area. Needs a display.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "tests/support/loopback.h"
#include "res/dialog_template.h"
#include "res/resource.h"
#include "tests/win32/real_input.h"
#include "ui/win32/tray_icon.h"
#include "ui/win32/watch_dlg.h"

namespace {

// As the dialog manager places a control: its corner and its size, each converted alone.
RECT DialogRect(HWND dialog, const res::ControlTemplate& c) {
  RECT units{c.x, c.y, c.cx, c.cy};
  ::MapDialogRect(dialog, &units);
  return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT ClientRectOf(HWND control) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// True while the shell has the window's icon: only an existing icon can be modified.
bool TrayIconExists(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

class NativeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    ASSERT_TRUE(dialog_.Create());
    hwnd_ = dialog_.GetSafeHwnd();
  }

  // Runs this thread's loop until done() holds, for at most 10 s.
  bool Pump(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!::IsDialogMessageW(hwnd_, &msg)) {
          ::TranslateMessage(&msg);
          ::DispatchMessageW(&msg);
        }
      }
    }
    return done();
  }

  CWatchDlg dialog_;
  HWND hwnd_ = nullptr;
};

TEST_F(NativeWindowTest, IsLaidOutInItsOwnDialogUnitsWithTheAboutItem) {
  const res::DialogTemplate& t = res::WatchDialogTemplate();
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const RECT whole = DialogRect(hwnd_, {0, res::ControlClass::Static, "", 0, 0, t.cx, t.cy, 0});
  EXPECT_TRUE(::EqualRect(&client, &whole));
  // Every addressed control sits where the template puts it: the item records are aligned
  // and complete, or the dialog manager would misplace or drop them.
  for (const res::ControlTemplate& c : t.controls) {
    if (c.id == IDC_STATIC) {
      continue;
    }
    const HWND control = ::GetDlgItem(hwnd_, c.id);
    ASSERT_NE(control, nullptr) << c.id;
    const RECT placed = ClientRectOf(control), planned = DialogRect(hwnd_, c);
    EXPECT_TRUE(::EqualRect(&placed, &planned)) << c.id;
    EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.Has(res::kVisible)) << c.id;
  }
  EXPECT_EQ(testing_win32::WindowText(hwnd_), L"Vantor1");
  char item[64] = {};
  ::GetMenuStringA(::GetSystemMenu(hwnd_, FALSE), IDM_ABOUTBOX, item, sizeof item, MF_BYCOMMAND);
  EXPECT_STREQ(item, "&About vantor1...");
}

// Every colour request but the name box's is answered with the template's background.
TEST_F(NativeWindowTest, ControlsButTheNameBoxGetTheBackgroundColour) {
  const HDC dc = ::GetDC(hwnd_);
  const HWND label = ::GetDlgItem(hwnd_, IDC_MAX_WINDOWS_VALUE);
  EXPECT_EQ(::SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(label)),
            reinterpret_cast<LRESULT>(dialog_.m_bkBrush));
  EXPECT_EQ(::GetBkColor(dc), RGB(236, 249, 217));
  const HWND edit = ::GetDlgItem(hwnd_, IDC_NAME_EDIT);
  EXPECT_NE(::SendMessageW(hwnd_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(edit)),
            reinterpret_cast<LRESULT>(dialog_.m_bkBrush));
  ::ReleaseDC(hwnd_, dc);
}

TEST_F(NativeWindowTest, MinimiseHidesIntoTheTrayAndAClickRestoresItWhereItWas) {
  ::SetWindowPos(hwnd_, nullptr, 70, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT before;
  ::GetWindowRect(hwnd_, &before);
  ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(hwnd_));
  EXPECT_FALSE(::IsIconic(hwnd_));
  EXPECT_TRUE(TrayIconExists(hwnd_));
  ::SendMessageW(hwnd_, ui::win32::WM_TRAYNOTIFY, 0, WM_MOUSEMOVE);  // a move over it: nothing
  EXPECT_FALSE(::IsWindowVisible(hwnd_));
  ::SendMessageW(hwnd_, ui::win32::WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
  EXPECT_TRUE(::IsWindowVisible(hwnd_));
  EXPECT_FALSE(TrayIconExists(hwnd_));
  RECT after;
  ::GetWindowRect(hwnd_, &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
}

// Without a host the status line waits; a decision shows until the note's single-shot timer
// ends it, and the board count comes back.
TEST_F(NativeWindowTest, StatusLineShowsADecisionUntilItsTimerEndsIt) {
  const HWND status = ::GetDlgItem(hwnd_, IDC_STATUS);
  EXPECT_EQ(testing_win32::WindowText(status),
            L"Waiting for the chess client (see vantor1 --help)");
  hostside::Loopback link;
  ASSERT_TRUE(link.Opened());
  dialog_.m_pWritePipe = &link.writePipe;
  dialog_.m_state.lastDecision =
      Decision{Decision::Kind::Skipped, Decision::Reason::BoardLimit, "beta", 7};
  dialog_.RefreshStatus();
  EXPECT_EQ(testing_win32::WindowText(status), L"skipped beta: board limit");
  EXPECT_TRUE(Pump([&] { return testing_win32::WindowText(status) == L"0 of 2 boards"; }));
  dialog_.m_pWritePipe = nullptr;
}

// The names that the server's list added get their rows, and the status line says how many.
TEST_F(NativeWindowTest, NamesFromTheServerGetRowsAndANote) {
  hostside::Loopback link;
  ASSERT_TRUE(link.Opened());
  dialog_.m_pWritePipe = &link.writePipe;
  dialog_.m_state.AddFollowName("bobby");
  dialog_.m_state.serverNamesAdded = {"bobby"};
  dialog_.m_state.serverListAdded = 1;
  dialog_.RefreshStatus();
  const HWND list = ::GetDlgItem(hwnd_, IDC_FOLLOW_LIST);
  wchar_t text[16] = {};
  LVITEMW item{};
  item.pszText = text;
  item.cchTextMax = 16;
  ASSERT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  ::SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(text), L"bobby");
  EXPECT_EQ(testing_win32::WindowText(::GetDlgItem(hwnd_, IDC_STATUS)),
            L"follow list: 1 name from the server");
  dialog_.m_pWritePipe = nullptr;
}

// A click on a trackbar's channel pages it; the release takes the position over and shows it.
// A key moves it without that.
TEST_F(NativeWindowTest, TrackbarReleaseTakesItsPositionOver) {
  const HWND bar = ::GetDlgItem(hwnd_, IDC_MAX_WINDOWS_SLIDER);
  RECT channel;
  ::SendMessageW(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  ::MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&channel), 2);
  ::SetForegroundWindow(hwnd_);
  testing_win32::ClickAt(POINT{channel.right - 4, (channel.top + channel.bottom) / 2});
  ASSERT_TRUE(Pump([&] { return dialog_.m_state.maxGameWindows != 2; }));
  const auto position = ::SendMessageW(bar, TBM_GETPOS, 0, 0);
  EXPECT_EQ(dialog_.m_state.maxGameWindows, position);
  EXPECT_EQ(static_cast<LRESULT>(::GetDlgItemInt(hwnd_, IDC_MAX_WINDOWS_VALUE, nullptr, FALSE)),
            position);
  testing_win32::PressKey(VK_LEFT);  // the click left the focus on it; keys take nothing over
  ASSERT_TRUE(Pump([&] { return ::SendMessageW(bar, TBM_GETPOS, 0, 0) != position; }));
  EXPECT_EQ(dialog_.m_state.maxGameWindows, position);
}

}  // namespace
