#include "ui/win32/watch_dlg.h"

#include <utility>

#include "res/resource.h"
#include "res/string_table.h"
#include "ui/win32/about_dlg.h"
#include "ui/win32/tray_icon.h"
#include "ui/win32/wide_text.h"

namespace {

constexpr int kLineSize = 10;
// The timer that ends a note on the status line; killed when it fires, so it runs once.
constexpr UINT_PTR kNoteTimer = 1;
constexpr int kColumnWidth = 120;  // pixels: the list's one column, without a title
// Longer than any name: a longer text is cut here but still too long to be a name.
constexpr int kTypedTextBuffer = 64;

struct TrackbarSetup {
  int id;
  int minimum;
  int maximum;
  int position;
};

constexpr TrackbarSetup kTrackbars[] = {
    {IDC_MAX_WINDOWS_SLIDER, 0, 32, 2},
    {IDC_RESERVED_SLIDER, 0, 0, 0},
    {IDC_MIN_ETIME_SLIDER, 0, 15, 0},
};

COLORREF ToColorRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

CWatchDlg::CWatchDlg()
    : m_bkColor(ToColorRef(res::WatchDialogTemplate().backgroundRgb)),
      m_bkBrush(::CreateSolidBrush(m_bkColor)),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_template(res::WatchDialogTemplate()) {}

CWatchDlg::~CWatchDlg() {
  if (m_hWnd != nullptr) {
    ::DestroyWindow(m_hWnd);
  }
  if (m_bkBrush != nullptr) {
    ::DeleteObject(m_bkBrush);
  }
}

bool CWatchDlg::Create() {
  return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), m_template.Get(), nullptr,
                                      &CWatchDlg::DialogProc,
                                      reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CWatchDlg::SetWindowText(const std::string& caption) {
  ::SetWindowTextW(m_hWnd, ui::win32::Widen(caption).c_str());
}

INT_PTR CALLBACK CWatchDlg::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CWatchDlg*>(lParam);
    ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    self->m_hWnd = hWnd;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<CWatchDlg*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CWatchDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        OnCommand(LOWORD(wParam));
      }
      return TRUE;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam) ? TRUE : FALSE;
    case ui::win32::WM_TRAYNOTIFY:
      if (lParam == WM_MOUSEMOVE) {
        return FALSE;
      }
      OnTrayNotify(lParam);
      return TRUE;
    case WM_TIMER:
      if (wParam != kNoteTimer) {
        return FALSE;
      }
      OnNoteTimer();
      return TRUE;
    case WM_PAINT:
      if (!::IsIconic(m_hWnd)) {
        return FALSE;
      }
      OnPaint();
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_CLOSE:
      EndDialog();
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CWatchDlg::OnInitDialog() {
  m_followListCtrl = ::GetDlgItem(m_hWnd, IDC_FOLLOW_LIST);
  m_maxWindowsSlider = ::GetDlgItem(m_hWnd, IDC_MAX_WINDOWS_SLIDER);
  m_followRadio = ::GetDlgItem(m_hWnd, IDC_MODE_FOLLOW);
  m_reservedSlider = ::GetDlgItem(m_hWnd, IDC_RESERVED_SLIDER);
  m_minEtimeSlider = ::GetDlgItem(m_hWnd, IDC_MIN_ETIME_SLIDER);

  const std::string_view about = res::LoadResString(IDS_ABOUTBOX);
  if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE); menu != nullptr && !about.empty()) {
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, std::string(about).c_str());
  }
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  for (const TrackbarSetup& setup : kTrackbars) {
    const HWND trackbar = ::GetDlgItem(m_hWnd, setup.id);
    ::SendMessageW(trackbar, TBM_SETRANGEMIN, TRUE, setup.minimum);
    ::SendMessageW(trackbar, TBM_SETRANGEMAX, TRUE, setup.maximum);
    ::SendMessageW(trackbar, TBM_SETLINESIZE, 0, kLineSize);
    ::SendMessageW(trackbar, TBM_SETPOS, TRUE, setup.position);
  }
  ::SendMessageW(m_followRadio, BM_SETCHECK, BST_CHECKED, 0);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = kColumnWidth;
  ::SendMessageA(m_followListCtrl, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  ShowStatus();
  return TRUE;  // the focus goes to the first tab stop
}

void CWatchDlg::OnCommand(int id) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      EndDialog();
      return;
    case IDC_ADD_GNOTIFY:
      ShowRowEdit(m_followList.Add(TakeTypedText()));
      return;
    case IDC_REMOVE:
    case IDC_REMOVE_GNOTIFY: {
      const std::string typed = TakeTypedText();
      ShowRowEdit(m_followList.Remove(typed, SelectedRow(), id == IDC_REMOVE_GNOTIFY));
      return;
    }
    case IDC_CLEAR_ALL:
      ShowRowEdit(m_followList.ClearAll());
      return;
    case IDC_MODE_FOLLOW:
      ShowOptions(m_options.ModeClicked(dialog::Mode::FollowList));
      return;
    case IDC_MODE_ALL:
      ShowOptions(m_options.ModeClicked(dialog::Mode::AllNotify));
      return;
    case IDC_MODE_NONE:
      ShowOptions(m_options.ModeClicked(dialog::Mode::None));
      return;
    case IDC_NO_WILD:
      return m_options.NoWildClicked();
    case IDC_NO_UNRATED:
      return m_options.NoUnratedClicked();
    case IDC_NO_STANDARD:
      return m_options.NoStandardClicked();
    case IDC_MY_ETIME_ONLY:
      return m_options.MyEtimeOnlyClicked();
    case IDC_NO_INCREMENT:
      return m_options.NoIncrementClicked();
    default:
      return;
  }
}

// A trackbar's position is taken over only when the trackbar releases the mouse capture at the
// end of a click or drag on it; the keyboard moves it without changing the option.
void CWatchDlg::OnNotify(const NMHDR& header) {
  if (header.code == static_cast<UINT>(NM_RELEASEDCAPTURE)) {
    TakeTrackbarPosition(header.hwndFrom);
  }
}

void CWatchDlg::TakeTrackbarPosition(HWND trackbar) {
  const int position = static_cast<int>(::SendMessageW(trackbar, TBM_GETPOS, 0, 0));
  switch (::GetDlgCtrlID(trackbar)) {
    case IDC_MAX_WINDOWS_SLIDER:
      return ShowOptions(m_options.MaxWindowsReleased(position));
    case IDC_RESERVED_SLIDER:
      return ShowOptions(m_options.ReservedReleased(position));
    case IDC_MIN_ETIME_SLIDER:
      return ShowOptions(m_options.MinEtimeReleased(position));
    default:
      return;
  }
}

// Every colour request but the name box's gets the template's background; the name box keeps
// the system's colours, so it reads as a place to type.
INT_PTR CWatchDlg::OnCtlColor(HDC dc, HWND control) {
  if (control != nullptr && ::GetDlgCtrlID(control) == IDC_NAME_EDIT) {
    return FALSE;
  }
  ::SetBkColor(dc, m_bkColor);
  return reinterpret_cast<INT_PTR>(m_bkBrush);
}

// Only while iconic, which a minimise never makes it (it hides instead): the icon, centred.
void CWatchDlg::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(m_hWnd, &paint);
  ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, m_hIcon);
  ::EndPaint(m_hWnd, &paint);
}

// True when handled here; everything else goes to the dialog's default processing.
bool CWatchDlg::OnSysCommand(WPARAM id) {
  if ((id & 0xFFF0) == static_cast<WPARAM>(IDM_ABOUTBOX)) {
    ui::win32::RunAboutBox(m_hWnd);
    return true;
  }
  if (id != SC_MINIMIZE) {
    return false;
  }
  // Never minimised in the ordinary way: an icon in the notification area stands in for it.
  ui::win32::AddTrayIcon(m_hWnd, m_hIcon, StatusText());
  m_inTray = true;
  ::ShowWindow(m_hWnd, SW_HIDE);
  ::ShowOwnedPopups(m_hWnd, FALSE);
  ::SetWindowPos(m_hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

// Any button press, release or double click on the icon brings the window back where it was.
void CWatchDlg::OnTrayNotify(LPARAM) {
  ui::win32::RemoveTrayIcon(m_hWnd);
  m_inTray = false;
  ::ShowWindow(m_hWnd, SW_SHOW);
  ::UpdateWindow(m_hWnd);
  ::SetActiveWindow(m_hWnd);
}

void CWatchDlg::EndDialog() {
  ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  ::PostQuitMessage(0);
}

std::string CWatchDlg::TakeTypedText() {
  char typed[kTypedTextBuffer] = {};
  const UINT length = ::GetDlgItemTextA(m_hWnd, IDC_NAME_EDIT, typed, kTypedTextBuffer);
  ::SetDlgItemTextA(m_hWnd, IDC_NAME_EDIT, "");
  return std::string(typed, length);
}

int CWatchDlg::SelectedRow() const {
  return static_cast<int>(
      ::SendMessageW(m_followListCtrl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CWatchDlg::ShowRowEdit(const dialog::RowEdit& edit) {
  switch (edit.op) {
    case dialog::RowEdit::Op::Append: {
      std::wstring text = ui::win32::Widen(edit.text);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = edit.row;
      item.pszText = text.data();
      ::SendMessageW(m_followListCtrl, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      break;
    }
    case dialog::RowEdit::Op::Delete:
      ::SendMessageW(m_followListCtrl, LVM_DELETEITEM, static_cast<WPARAM>(edit.row), 0);
      break;
    case dialog::RowEdit::Op::DeleteAll:
      for (auto row = ::SendMessageW(m_followListCtrl, LVM_GETITEMCOUNT, 0, 0) - 1; row >= 0;
           --row) {
        ::SendMessageW(m_followListCtrl, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
      }
      break;
    case dialog::RowEdit::Op::None:
      break;
  }
}

void CWatchDlg::SetLabel(int id, const std::optional<std::string>& text) {
  if (text) {
    ::SetDlgItemTextA(m_hWnd, id, text->c_str());
  }
}

void CWatchDlg::ShowOptions(const dialog::OptionsView& view) {
  if (view.reservedShown) {
    ::ShowWindow(m_reservedSlider, *view.reservedShown ? SW_SHOW : SW_HIDE);
  }
  if (view.reservedToZero) {
    ::SendMessageW(m_reservedSlider, TBM_SETPOS, TRUE, 0);
  }
  if (view.reservedMaximum) {
    ::SendMessageW(m_reservedSlider, TBM_SETRANGEMIN, TRUE, 0);
    ::SendMessageW(m_reservedSlider, TBM_SETRANGEMAX, TRUE, *view.reservedMaximum);
  }
  SetLabel(IDC_MAX_WINDOWS_VALUE, view.maxWindowsValue);
  SetLabel(IDC_MIN_ETIME_VALUE, view.minEtimeValue);
  SetLabel(IDC_RESERVED_VALUE, view.reservedValue);
  SetLabel(IDC_RESERVED_LABEL, view.reservedCaption);
  ShowStatus();  // the board limit may have changed
}

void CWatchDlg::RefreshStatus() {
  for (const dialog::RowEdit& row : m_followList.TakeServerNames()) {
    ShowRowEdit(row);
  }
  if (std::optional<std::string> note = dialog::TakeDrainNote(m_state)) {
    ShowStatusNote(std::move(*note));
    return;
  }
  ShowStatus();
}

void CWatchDlg::ShowStatusNote(std::string note) {
  m_status.ShowNote(std::move(note));
  ::SetTimer(m_hWnd, kNoteTimer, dialog::kNoteMilliseconds, nullptr);  // restarts a running one
  ShowStatus();
}

void CWatchDlg::OnNoteTimer() {
  ::KillTimer(m_hWnd, kNoteTimer);
  m_status.NoteExpired();
  ShowStatus();
}

std::string CWatchDlg::StatusText() const {
  return m_status.Text(m_state, m_pWritePipe != nullptr && m_pWritePipe->IsOpen());
}

void CWatchDlg::ShowStatus() {
  if (m_hWnd == nullptr) {
    return;
  }
  const std::string text = StatusText();
  ::SetDlgItemTextW(m_hWnd, IDC_STATUS, ui::win32::Widen(text).c_str());
  if (m_inTray) {
    ui::win32::SetTrayTip(m_hWnd, text);
  }
}
