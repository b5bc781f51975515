#include "watcher/watch_state.h"

#include <algorithm>

#include "platform/ascii_case.h"

void LowerCaseName(std::string& text) {
  platform::AsciiLowerInPlace(text);
}

void WatchState::SetMyName(const std::string& name) {
  // The name feeds the window title; a host that sends more than the record holds gets its
  // name cut rather than spilling past it.
  myName.assign(name, 0, std::min(name.size(), kMaxNameLength));
}

bool WatchState::AddFollowName(const std::string& name) {
  if (IsFollowed(name)) {
    return false;
  }
  if (followList.size() == followList.capacity()) {
    const std::size_t count = followList.size();
    followList.reserve(count + std::max<std::size_t>(count, 1));
  }
  followList.push_back(name);
  return true;
}

int WatchState::RemoveFollowName(const std::string& name) {
  const auto it = std::find(followList.begin(), followList.end(), name);
  if (it == followList.end()) {
    return -1;
  }
  const int index = static_cast<int>(it - followList.begin());
  followList.erase(it);  // keeps the order of the rest and the capacity
  return index;
}

bool WatchState::IsFollowed(const std::string& name) const {
  return std::find(followList.begin(), followList.end(), name) != followList.end();
}

void WatchState::ClearFollowList() {
  followList.clear();
}

void WatchState::RemoveWatchedAt(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= watchedGames.size()) {
    return;
  }
  watchedGames.erase(watchedGames.begin() + index);
}
