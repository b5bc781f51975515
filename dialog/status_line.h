#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "watcher/decision.h"
#include "watcher/watch_state.h"

namespace dialog {

// How long a note stays on the status line before the board count comes back.
inline constexpr int kNoteMilliseconds = 4000;
inline constexpr char kWaitingText[] = "Waiting for the chess client (see vantor1 --help)";

// The window's one-line status: until the host attaches, that vantor1 waits for it; then the
// login name and the boards counted open of Max game windows; a note (the policy's last
// decision, or any other passing event) stands in for that count for kNoteMilliseconds. The
// faces show Text() in the status label and, after the program's name, as the tray tooltip;
// they start a single-shot timer of kNoteMilliseconds at every note and call NoteExpired when
// it fires, so that nothing runs while nothing happens.
class StatusLine {
 public:
  // A note, shown until NoteExpired; a later note replaces it. One line, as the faces show it.
  void ShowNote(std::string note) { note_ = std::move(note); }
  void NoteExpired() { note_.reset(); }
  bool HasNote() const { return note_.has_value(); }

  // attached: the host's write end is open.
  std::string Text(const WatchState& state, bool attached) const;

 private:
  std::optional<std::string> note_;
};

// "observing alpha (game 42)", "skipped beta: board limit", "paused: your own game".
std::string DecisionText(const Decision& decision);

// The note that a drain leaves, taken out of the state: once the server's list has been read,
// "follow list: 3 names from the server"; else the policy's last decision; else none.
std::optional<std::string> TakeDrainNote(WatchState& state);

// The tray icon's tooltip: the program's name, then the status line.
std::string TrayTipText(std::string_view appName, std::string_view status);

}  // namespace dialog
