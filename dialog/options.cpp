#include "dialog/options.h"

namespace dialog {

OptionsView Options::MaxWindowsReleased(int position) {
  state_.maxGameWindows = position;
  OptionsView view;
  view.reservedMaximum = position;
  view.maxWindowsValue = std::to_string(position);
  return view;
}

OptionsView Options::ReservedReleased(int position) {
  state_.reservedBoards = position;
  OptionsView view;
  view.reservedValue = std::to_string(position);
  return view;
}

OptionsView Options::MinEtimeReleased(int position) {
  state_.minEtime = static_cast<float>(position);
  OptionsView view;
  view.minEtimeValue = std::to_string(static_cast<int>(state_.minEtime));
  return view;
}

OptionsView Options::EnterAllNotify() {
  state_.allNotifyMode = true;
  state_.reservedBoards = 0;
  return {.reservedValue = "0",
          .reservedCaption = kReservedCaption,
          .reservedShown = true,
          .reservedMaximum = state_.maxGameWindows,
          .reservedToZero = true};
}

OptionsView Options::LeaveAllNotify() {
  state_.allNotifyMode = false;
  state_.reservedBoards = 0;
  return {.reservedValue = "",
          .reservedCaption = "",
          .reservedShown = false,
          .reservedMaximum = 0,
          .reservedToZero = true};
}

OptionsView Options::ModeClicked(Mode mode) {
  const bool wasAll = state_.allNotifyMode;
  state_.watchNone = mode == Mode::None;
  if (mode == Mode::AllNotify) {
    return wasAll ? OptionsView{} : EnterAllNotify();
  }
  return wasAll ? LeaveAllNotify() : OptionsView{};
}

}  // namespace dialog
