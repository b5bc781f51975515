#pragma once
#include <optional>
#include <string>

#include "watcher/watch_state.h"

namespace dialog {

// The caption of the reserved-boards row while it is shown.
inline constexpr char kReservedCaption[] = "Boards reserved for follow list";

// What an option handler asks the face to show; what is unset stays as it is.
struct OptionsView {
  std::optional<std::string> maxWindowsValue{};  // the Max game windows value label
  std::optional<std::string> minEtimeValue{};    // the Minimum etime value label
  std::optional<std::string> reservedValue{};    // the reserved row's value label
  std::optional<std::string> reservedCaption{};  // the reserved row's caption
  std::optional<bool> reservedShown{};           // the reserved trackbar
  std::optional<int> reservedMaximum{};          // its range becomes 0 .. this
  bool reservedToZero = false;                   // its position goes to 0
  bool operator==(const OptionsView&) const = default;
};

enum class Mode { FollowList, AllNotify, None };

// The viewing options: each handler writes its field of the WatchState, which the game watcher
// reads at the next notification. Trackbar positions are taken over only when the face reports
// a mouse release on that trackbar.
class Options {
 public:
  explicit Options(WatchState& state) : state_(state) {}

  // The reserved boards can never exceed the windows, in every mode; the reserved value itself
  // waits for that trackbar's own release.
  OptionsView MaxWindowsReleased(int position);
  OptionsView ReservedReleased(int position);
  OptionsView MinEtimeReleased(int position);
  // A radio click, also on the radio already selected. Entering the all-notifications mode
  // shows the reserved row at 0 of 0 .. Max game windows; leaving it hides and empties it.
  OptionsView ModeClicked(Mode mode);
  // Each click flips its field once, whatever the mark shows.
  void NoWildClicked() { state_.allowWild = !state_.allowWild; }
  void NoUnratedClicked() { state_.allowUnrated = !state_.allowUnrated; }
  void NoStandardClicked() { state_.allowStandard = !state_.allowStandard; }
  void MyEtimeOnlyClicked() { state_.myEtimeOnly = !state_.myEtimeOnly; }
  void NoIncrementClicked() { state_.noIncrement = !state_.noIncrement; }

 private:
  OptionsView EnterAllNotify();
  OptionsView LeaveAllNotify();

  WatchState& state_;
};

}  // namespace dialog
