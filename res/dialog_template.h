#pragma once
#include <cstdint>
#include <span>
#include <string_view>

// Dialog templates as plain data: what the window builder creates and what the tests check the
// built window against. Coordinates are dialog units (a quarter of the font's average character
// width horizontally, an eighth of its height vertically). No Qt here.
//
// They are the templates of the host's own desktop, whose dialog manager lays them out, draws
// and moves their controls in its own way; comments call that way "native" (native rounding,
// native marks), and the Qt face imitates it where the texts and the tests depend on it.
namespace res {

enum class ControlClass { Button, Edit, Static, ListView, Trackbar };

// Style flags of a control or of a dialog, one bit each: the window styles a native dialog
// template carries. The Qt face reads all of them but kNoPrefix, kAlignLeft and kExRight, which
// change nothing in how its controls behave, and a dialog's kVisible (the program shows its
// windows itself); the native face maps each to its own style.
enum Style : std::uint32_t {
  kVisible = 1u << 0,
  kGroup = 1u << 1,    // starts a group: radios up to the next group start are exclusive
  kTabStop = 1u << 2,  // reachable with Tab
  kBorder = 1u << 3,
  // Buttons; one without a kind below is a push button.
  kDefPushButton = 1u << 4,  // the default push button: Enter clicks it
  kAutoRadio = 1u << 5,
  kAutoCheckBox = 1u << 6,
  kGroupBox = 1u << 7,
  // Statics.
  kTextLeft = 1u << 8,  // left-aligned, wraps at word boundaries
  kTextCenter = 1u << 9,
  kCenterImage = 1u << 10,  // vertically centred, one line
  kNoPrefix = 1u << 11,     // '&' is shown, not a mnemonic
  kIconImage = 1u << 12,    // shows the icon named by the control's resource id
  // Edit boxes.
  kMultiline = 1u << 13,
  kAutoHScroll = 1u << 14,  // scrolls sideways instead of wrapping
  kWantReturn = 1u << 15,   // Enter is a line break, not the dialog's OK
  // List views.
  kReport = 1u << 16,  // one row per item, in one column
  kSingleSel = 1u << 17,
  kNoColumnHeader = 1u << 18,
  kAlignLeft = 1u << 19,
  kExRight = 1u << 20,
  // Trackbars (always horizontal here).
  kBothSides = 1u << 21,
  kNoTicks = 1u << 22,
  kTooltips = 1u << 23,  // the value in a tip while the thumb is dragged
  // Dialogs.
  kCaption = 1u << 24,
  kSysMenu = 1u << 25,
  kMinimizeBox = 1u << 26,
  kMaximizeBox = 1u << 27,
  kModalFrame = 1u << 28,  // a fixed frame that is not resized
  kAppWindow = 1u << 29,   // has a taskbar button while visible
};

struct ControlTemplate {
  int id;  // -1 for controls nobody addresses
  ControlClass cls;
  std::string_view text;
  int x, y, cx, cy;  // dialog units
  std::uint32_t style;
  int resourceId = 0;  // the image of a kIconImage static

  constexpr bool Has(std::uint32_t flag) const { return (style & flag) != 0; }
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int x, y, cx, cy;  // dialog units; cx, cy is the client area
  std::string_view fontFace;
  int pointSize;
  std::uint32_t style;
  std::uint32_t backgroundRgb;                // 0xRRGGBB; 0 when the platform's default is kept
  std::span<const ControlTemplate> controls;  // template order, which is the tab order

  constexpr bool Has(std::uint32_t flag) const { return (style & flag) != 0; }
};

const DialogTemplate& WatchDialogTemplate();
const DialogTemplate& AboutDialogTemplate();

}  // namespace res
