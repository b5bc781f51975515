#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "watcher/decision.h"
#include "watcher/gnotify_list_reader.h"

// Raises the bytes A-Z to a-z in place and leaves every other byte alone (digits,
// punctuation, blanks, control bytes, bytes of 0x80 and above). All player names are stored,
// compared and sent in this form.
void LowerCaseName(std::string& text);

// A name for the follow list, typed or read from the server: 2 to 15 bytes and no control byte.
// A line break in a name would end the server command early and make the rest a command of its
// own; blanks and bytes of 0x80 and above stay part of the name.
bool IsValidFollowName(std::string_view text);

// The one record through which the window and the game watcher meet: the viewing options, the
// follow list, the login name and the board bookkeeping. Lives inside the main dialog; used on
// the one thread only.
struct WatchState {
  static constexpr std::size_t kMaxNameLength = 51;  // myName holds at most this many bytes

  bool allNotifyMode = false;  // "all gnotifications" selected
  bool watchNone = false;      // "none" selected; never true together with allNotifyMode
  bool allowWild = true;
  bool allowStandard = true;
  bool allowUnrated = true;
  bool titleSet = false;
  bool quitRequested = false;
  bool myEtimeOnly = false;
  bool noIncrement = false;
  std::int32_t maxGameWindows = 2;
  float minEtime = 0.0f;  // whole minutes
  std::int32_t reservedBoards = 0;
  std::int32_t watchedCount = 0;   // == watchedGames.size()
  std::int32_t claimedBoards = 0;  // watchedCount at the second's start + observes sent since
  // Calendar second of the last reset of claimedBoards. 64 bits: seconds pass 2^31 in 2038,
  // and a 32-bit copy would then look older than every clock reading and reset at each message.
  std::int64_t claimSecond = 0;
  std::string myName;  // the login name, at most kMaxNameLength bytes
  // Lower-cased, distinct names of 2 to 15 bytes, in the order added.
  std::vector<std::string> followList;
  std::vector<std::int32_t> watchedGames;  // games counted in watchedCount, in order reported
  // The policy's latest decision on a game notification, for the window to show; the window
  // takes it (and leaves it empty) after each drain.
  std::optional<Decision> lastDecision;
  // The server's own game-notification list, asked for once per attach (watcher/
  // server_follow_list.h). Its names join followList; the window takes the names added and,
  // once the answer was read, how many it added, after each drain (and leaves them empty).
  GnotifyListReader serverList;
  bool serverListAsked = false;  // "=gnotify" went out since the write end was announced
  std::vector<std::string> serverNamesAdded;
  std::optional<int> serverListAdded;

  // Stores an identity's name, cut to kMaxNameLength bytes; a UTF-8 name loses no character
  // in part.
  void SetMyName(const std::string& name);

  // False (and no change) when the name is already followed; else appends it. When the list
  // is full its capacity grows to count + max(count, 1).
  bool AddFollowName(const std::string& name);
  // -1 when not followed; else removes the entry, keeping the others' order, and returns the
  // index at which it stood.
  int RemoveFollowName(const std::string& name);
  // Exact, byte-for-byte comparison; the caller lower-cases first.
  bool IsFollowed(const std::string& name) const;
  // Empties the follow list, keeping its capacity.
  void ClearFollowList();
  // Removes watchedGames[index]; an index outside the list changes nothing. Counters untouched.
  void RemoveWatchedAt(int index);
};
