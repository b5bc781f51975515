#include "dialog/follow_list.h"

#include <algorithm>
#include <utility>

namespace dialog {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

void Erase(std::vector<std::string>& names, const std::string& name) {
  names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

}  // namespace

std::string_view TypedName(std::string_view typed) {
  constexpr std::string_view kEdges = " \r\n";
  const std::size_t first = typed.find_first_not_of(kEdges);
  if (first == std::string_view::npos) {
    return {};
  }
  return typed.substr(first, typed.find_last_not_of(kEdges) - first + 1);
}

FollowList::FollowList(WatchState& state, Writer write) : state_(state), write_(std::move(write)) {}

bool FollowList::Send(const char* prefix, const std::string& name) {
  return write_(prefix + name + "\n");
}

void FollowList::SendAdd(const std::string& name) {
  // A name whose remove never reached the server is still on its list.
  const bool onServer = Contains(unwrittenRemoves_, name);
  Erase(unwrittenRemoves_, name);
  if (!Send("+gnotify ", name) && !onServer) {
    unwrittenAdds_.push_back(name);
  }
}

void FollowList::SendRemove(const std::string& name) {
  // Only a name whose add reached the server needs taking off its list later.
  const bool onServer = !Contains(unwrittenAdds_, name);
  Erase(unwrittenAdds_, name);
  if (!Send("-gnotify ", name) && onServer) {
    unwrittenRemoves_.push_back(name);
  }
}

void FollowList::SendUnwritten() {
  for (const std::string& name : state_.followList) {
    if (Contains(unwrittenAdds_, name) && Send("+gnotify ", name)) {
      Erase(unwrittenAdds_, name);
    }
  }
  const std::vector<std::string> removes = std::exchange(unwrittenRemoves_, {});
  for (const std::string& name : removes) {
    if (!Send("-gnotify ", name)) {
      unwrittenRemoves_.push_back(name);
    }
  }
}

std::vector<RowEdit> FollowList::TakeServerNames() {
  std::vector<RowEdit> rows;
  for (std::string& name : std::exchange(state_.serverNamesAdded, {})) {
    const auto it = std::find(state_.followList.begin(), state_.followList.end(), name);
    if (it != state_.followList.end()) {  // always, as nothing runs between the drain and here
      rows.push_back(
          {RowEdit::Op::Append, static_cast<int>(it - state_.followList.begin()), std::move(name)});
    }
  }
  return rows;
}

RowEdit FollowList::Add(std::string_view typed) {
  const std::string_view typedName = TypedName(typed);
  if (!IsValidFollowName(typedName)) {
    return {};
  }
  std::string name(typedName);
  LowerCaseName(name);
  if (!state_.AddFollowName(name)) {
    return {};
  }
  SendAdd(name);
  return {RowEdit::Op::Append, static_cast<int>(state_.followList.size()) - 1, name};
}

RowEdit FollowList::Remove(std::string_view typed, int selectedRow, bool sendRemove) {
  const std::string_view typedName = TypedName(typed);
  std::string name(typedName);
  if (!IsValidFollowName(typedName) && selectedRow >= 0 &&
      static_cast<std::size_t>(selectedRow) < state_.followList.size()) {
    name = state_.followList[static_cast<std::size_t>(selectedRow)];
  }
  LowerCaseName(name);
  const int index = state_.RemoveFollowName(name);
  if (index < 0) {
    return {};
  }
  if (sendRemove) {
    SendRemove(name);
  } else {
    Erase(unwrittenAdds_, name);  // no longer listed: nothing to catch up on
  }
  return {RowEdit::Op::Delete, index, {}};
}

RowEdit FollowList::ClearAll() {
  if (state_.followList.empty()) {
    return {};
  }
  for (const std::string& name : state_.followList) {
    SendRemove(name);
  }
  state_.ClearFollowList();
  return {RowEdit::Op::DeleteAll, -1, {}};
}

}  // namespace dialog
