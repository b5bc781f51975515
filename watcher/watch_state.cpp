#include "watcher/watch_state.h"

#include <algorithm>
#include <cstddef>

#include "platform/ascii_case.h"

void LowerCaseName(std::string& text) {
  platform::AsciiLowerInPlace(text);
}

bool IsValidFollowName(std::string_view text) {
  constexpr std::size_t kShortest = 2;
  constexpr std::size_t kLongest = 15;
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  return text.size() >= kShortest && text.size() <= kLongest && !control;
}

namespace {

// The length of the UTF-8 sequence that starts with lead, or 0 when no sequence starts so.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    return 3;
  }
  return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, surrogates or code
// points past U+10FFFF.
bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || text.size() - i < length) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        return false;
      }
    }
    if (length > 2) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
          (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return false;
      }
    }
    i += length;
  }
  return true;
}

}  // namespace

void WatchState::SetMyName(const std::string& name) {
  // The name feeds the window title; a host that sends more than the record holds gets its
  // name cut rather than spilling past it. A UTF-8 name is cut before the character that
  // would not fit whole; any other name is single bytes, each a character.
  std::size_t length = std::min(name.size(), kMaxNameLength);
  if (length < name.size() && IsUtf8(name)) {
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) {
      --length;
    }
  }
  myName.assign(name, 0, length);
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
