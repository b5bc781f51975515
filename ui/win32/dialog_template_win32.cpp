#include "ui/win32/dialog_template_win32.h"

#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

using res::ControlClass;

struct FlagStyle {
  std::uint32_t flag;
  DWORD style;
};

DWORD MapFlags(std::uint32_t flags, std::initializer_list<FlagStyle> table) {
  DWORD style = 0;
  for (const FlagStyle& entry : table) {
    if ((flags & entry.flag) != 0) {
      style |= entry.style;
    }
  }
  return style;
}

DWORD ClassStyle(const res::ControlTemplate& c) {
  switch (c.cls) {
    case ControlClass::Button:
      // A button of no kind below is a push button (0).
      return MapFlags(c.style, {{res::kDefPushButton, BS_DEFPUSHBUTTON},
                                {res::kAutoRadio, BS_AUTORADIOBUTTON},
                                {res::kAutoCheckBox, BS_AUTOCHECKBOX},
                                {res::kGroupBox, BS_GROUPBOX}});
    case ControlClass::Static:
      return MapFlags(c.style, {{res::kTextLeft, SS_LEFT},
                                {res::kTextCenter, SS_CENTER},
                                {res::kCenterImage, SS_CENTERIMAGE},
                                {res::kNoPrefix, SS_NOPREFIX},
                                {res::kIconImage, SS_ICON}});
    case ControlClass::Edit:
      return MapFlags(c.style, {{res::kMultiline, ES_MULTILINE},
                                {res::kAutoHScroll, ES_AUTOHSCROLL},
                                {res::kWantReturn, ES_WANTRETURN}});
    case ControlClass::ListView:
      return MapFlags(c.style, {{res::kReport, LVS_REPORT},
                                {res::kSingleSel, LVS_SINGLESEL},
                                {res::kNoColumnHeader, LVS_NOCOLUMNHEADER},
                                {res::kAlignLeft, LVS_ALIGNLEFT}});
    case ControlClass::Trackbar:
      return TBS_HORZ | MapFlags(c.style, {{res::kBothSides, TBS_BOTH},
                                           {res::kNoTicks, TBS_NOTICKS},
                                           {res::kTooltips, TBS_TOOLTIPS}});
  }
  return 0;
}

// The predefined classes by atom, the common controls by name.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;

}  // namespace

DWORD DialogStyle(const res::DialogTemplate& d) {
  return WS_POPUP | DS_SETFONT |
         MapFlags(d.style, {{res::kVisible, WS_VISIBLE},
                            {res::kCaption, WS_CAPTION},
                            {res::kSysMenu, WS_SYSMENU},
                            {res::kMinimizeBox, WS_MINIMIZEBOX},
                            {res::kMaximizeBox, WS_MAXIMIZEBOX},
                            {res::kModalFrame, DS_MODALFRAME}});
}

DWORD DialogExStyle(const res::DialogTemplate& d) {
  return d.Has(res::kAppWindow) ? WS_EX_APPWINDOW : 0;
}

DWORD ControlStyle(const res::ControlTemplate& c) {
  return WS_CHILD | ClassStyle(c) |
         MapFlags(c.style, {{res::kVisible, WS_VISIBLE},
                            {res::kGroup, WS_GROUP},
                            {res::kTabStop, WS_TABSTOP},
                            {res::kBorder, WS_BORDER}});
}

DWORD ControlExStyle(const res::ControlTemplate& c) {
  return c.Has(res::kExRight) ? WS_EX_RIGHT : 0;
}

DialogTemplateBuffer::DialogTemplateBuffer(const res::DialogTemplate& d) {
  Dword(DialogStyle(d));
  Dword(DialogExStyle(d));
  Word(static_cast<std::uint16_t>(d.controls.size()));
  for (const int unit : {d.x, d.y, d.cx, d.cy}) {
    Word(static_cast<std::uint16_t>(unit));
  }
  Word(0);  // no menu
  Word(0);  // the dialog class
  Text(d.caption);
  Word(static_cast<std::uint16_t>(d.pointSize));
  Text(d.fontFace);
  for (const res::ControlTemplate& control : d.controls) {
    Control(control);
  }
}

void DialogTemplateBuffer::Dword(std::uint32_t dword) {
  Word(static_cast<std::uint16_t>(dword & 0xFFFF));
  Word(static_cast<std::uint16_t>(dword >> 16));
}

void DialogTemplateBuffer::Text(std::string_view text) {
  for (const wchar_t c : Widen(text)) {
    Word(static_cast<std::uint16_t>(c));
  }
  Word(0);
}

void DialogTemplateBuffer::AlignToDword() {
  if (words_.size() % 2 != 0) {
    Word(0);
  }
}

void DialogTemplateBuffer::Control(const res::ControlTemplate& c) {
  AlignToDword();
  Dword(ControlStyle(c));
  Dword(ControlExStyle(c));
  for (const int unit : {c.x, c.y, c.cx, c.cy}) {
    Word(static_cast<std::uint16_t>(unit));
  }
  Word(static_cast<std::uint16_t>(c.id));  // -1 becomes 0xFFFF, the id of unaddressed controls
  switch (c.cls) {
    case ControlClass::Button:
      Ordinal(kButtonAtom);
      break;
    case ControlClass::Edit:
      Ordinal(kEditAtom);
      break;
    case ControlClass::Static:
      Ordinal(kStaticAtom);
      break;
    case ControlClass::ListView:
      Text("SysListView32");
      break;
    case ControlClass::Trackbar:
      Text("msctls_trackbar32");
      break;
  }
  if (c.Has(res::kIconImage)) {
    Ordinal(static_cast<std::uint16_t>(c.resourceId));  // the icon by its number
  } else {
    Text(c.text);
  }
  Word(0);  // no creation data
}

}  // namespace ui::win32
