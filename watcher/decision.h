#pragma once
#include <cstdint>
#include <string>

// What the policy made of one game notification, as a value for the window to show; the words
// are the window's. Recorded in WatchState::lastDecision.
struct Decision {
  enum class Kind {
    Observed,  // "observe player" was written
    Skipped,   // nothing was written, for `reason`
    Paused,    // notifications are held back during the user's own game
  };
  enum class Reason {
    None,
    BoardLimit,      // Max game windows boards claimed or open
    ReservedBoards,  // only the boards kept for the follow list are free
    NotFollowed,     // neither player is followed
    WatchingNone,    // the mode is "none"
    ShortEtime,      // etime below Minimum etime
    OtherEtime,      // "watch my etime only" and another etime
    Increment,       // "no increment"
    Standard,        // "no standard"
    Unrated,         // "no unrated"
    Wild,            // "no wild"
  };

  Kind kind = Kind::Skipped;
  Reason reason = Reason::None;
  std::string player;      // lower-cased: the one observed, or the one that would have been
  std::int32_t game = -1;  // the notification's game number; -1 when it gives none
  bool operator==(const Decision&) const = default;
};
