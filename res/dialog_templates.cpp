#include "res/dialog_template.h"

#include <array>

#include "res/resource.h"
#include "res/version.h"

namespace res {
namespace {

using enum ControlClass;

constexpr std::uint32_t kPush = kVisible | kTabStop;
constexpr std::uint32_t kLabel = kVisible | kTextLeft | kGroup;
constexpr std::uint32_t kTrackbar = kVisible | kBothSides | kNoTicks | kTooltips | kTabStop;
constexpr std::uint32_t kCheck = kVisible | kAutoCheckBox | kTabStop;
constexpr std::uint32_t kFrame = kVisible | kGroupBox;

// The main window. Rows of the option area: value label at the left, trackbar in the middle,
// caption at the right.
constexpr std::array kWatchControls{
    ControlTemplate{IDC_ADD_GNOTIFY, Button, "Add/gnot", 213, 22, 80, 14, kPush},
    ControlTemplate{IDC_REMOVE, Button, "Remove", 213, 76, 80, 14, kPush},
    ControlTemplate{IDC_NAME_EDIT, Edit, "", 119, 62, 79, 14,
                    kVisible | kBorder | kTabStop | kMultiline | kAutoHScroll | kWantReturn},
    ControlTemplate{IDC_REMOVE_GNOTIFY, Button, "Remove/ -gnot", 213, 41, 80, 14, kPush},
    ControlTemplate{IDC_STATIC, Static, "Enter Name", 122, 46, 43, 12, kLabel},
    ControlTemplate{IDC_STATIC, Static, "Follow List", 19, 12, 56, 8, kLabel},
    ControlTemplate{IDC_CLEAR_ALL, Button, "Clear All/ -gnot", 213, 58, 80, 14, kPush},
    ControlTemplate{IDC_STATIC, Static, "Max game windows", 115, 111, 67, 16, kLabel},
    ControlTemplate{IDC_MAX_WINDOWS_VALUE, Static, "2", 17, 112, 8, 10,
                    kVisible | kTextCenter | kCenterImage | kGroup},
    ControlTemplate{IDC_RESERVED_LABEL, Static, "", 115, 155, 60, 20, kLabel},
    ControlTemplate{IDC_RESERVED_VALUE, Static, "", 19, 155, 10, 8, kLabel},
    ControlTemplate{IDC_MIN_ETIME_VALUE, Static, "0", 19, 134, 9, 8, kLabel},
    ControlTemplate{IDC_STATIC, Static, "Minimum etime", 115, 134, 63, 15, kLabel},
    ControlTemplate{IDC_FOLLOW_LIST, ListView, "List3", 12, 25, 100, 76,
                    kVisible | kReport | kSingleSel | kNoColumnHeader | kAlignLeft | kBorder |
                        kTabStop | kExRight},
    ControlTemplate{IDC_MAX_WINDOWS_SLIDER, Trackbar, "", 30, 108, 80, 15, kTrackbar},
    ControlTemplate{IDC_MODE_FOLLOW, Button, "follow list", 209, 134, 53, 14,
                    kVisible | kAutoRadio | kGroup},
    ControlTemplate{IDC_MODE_ALL, Button, "all gnotifications", 209, 148, 66, 10,
                    kVisible | kAutoRadio},
    ControlTemplate{IDC_STATIC, Button, "Games Viewed", 195, 111, 83, 54, kFrame},
    ControlTemplate{IDC_RESERVED_SLIDER, Trackbar, "", 29, 153, 81, 15, kTrackbar & ~kVisible},
    ControlTemplate{IDC_MIN_ETIME_SLIDER, Trackbar, "", 29, 131, 81, 15, kTrackbar},
    ControlTemplate{IDC_MODE_NONE, Button, "none", 209, 125, 32, 10, kVisible | kAutoRadio},
    ControlTemplate{IDC_STATIC, Button, "Filter Options", 51, 207, 188, 28, kFrame},
    ControlTemplate{IDC_NO_WILD, Button, "no wild", 64, 219, 38, 10, kCheck},
    ControlTemplate{IDC_NO_UNRATED, Button, "no unrated", 115, 219, 50, 10, kCheck},
    ControlTemplate{IDC_NO_STANDARD, Button, "no standard", 173, 219, 53, 10, kCheck},
    ControlTemplate{IDC_MY_ETIME_ONLY, Button, "watch my etime only", 65, 188, 81, 10, kCheck},
    ControlTemplate{IDC_STATIC, Button, "Etime Options", 51, 177, 188, 26, kFrame},
    ControlTemplate{IDC_NO_INCREMENT, Button, "no increment", 148, 189, 65, 10, kCheck},
    // What vantor1 is doing, in the free band below the filters; its text is the one shown
    // until the host attaches.
    ControlTemplate{IDC_STATUS, Static, "Waiting for the chess client (see vantor1 --help)", 12,
                    240, 276, 8, kVisible | kTextLeft | kNoPrefix},
};

constexpr DialogTemplate kWatchDialog{
    IDD_WATCH_DIALOG,
    "Vantor1",
    0,
    0,
    300,
    252,
    "MS Shell Dlg",
    8,
    kVisible | kCaption | kSysMenu | kMinimizeBox | kMaximizeBox | kModalFrame | kAppWindow,
    0xECF9D9,
    kWatchControls,
};

constexpr std::array kAboutControls{
    ControlTemplate{IDC_STATIC, Static, "", 11, 17, 20, 20, kVisible | kIconImage, IDR_MAINFRAME},
    ControlTemplate{IDC_STATIC, Static, "vantor1", 40, 10, 119, 8,
                    kVisible | kTextLeft | kNoPrefix | kGroup},
    ControlTemplate{IDC_STATIC, Static, VANTOR_VERSION " - watches games for you", 40, 25, 119, 8,
                    kLabel},
    ControlTemplate{IDOK, Button, "OK", 178, 7, 50, 14,
                    kVisible | kDefPushButton | kGroup | kTabStop},
};

constexpr DialogTemplate kAboutDialog{
    IDD_ABOUTBOX,
    "About vantor1",
    0,
    0,
    235,
    55,
    "MS Shell Dlg",
    8,
    kCaption | kSysMenu | kModalFrame,
    0,
    kAboutControls,
};

}  // namespace

const DialogTemplate& WatchDialogTemplate() {
  return kWatchDialog;
}
const DialogTemplate& AboutDialogTemplate() {
  return kAboutDialog;
}

}  // namespace res
