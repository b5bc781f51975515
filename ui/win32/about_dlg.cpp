#include "ui/win32/about_dlg.h"

#include "res/dialog_template.h"
#include "ui/win32/dialog_template_win32.h"

namespace ui::win32 {

namespace {

INT_PTR CALLBACK AboutProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(hWnd, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void RunAboutBox(HWND owner) {
  static const DialogTemplateBuffer about(res::AboutDialogTemplate());
  // The icon static finds its image in the program's own resources.
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), about.Get(), owner, AboutProc, 0);
}

}  // namespace ui::win32
