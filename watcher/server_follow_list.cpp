#include "watcher/server_follow_list.h"

#include "hostlink/host_session.h"

namespace {

constexpr char kListCommand[] = "=gnotify\n";

}  // namespace

void AskForServerFollowList(CIpcPipe& writePipe, WatchState& state) {
  if (state.serverListAsked || state.myName.empty() || !writePipe.IsOpen()) {
    return;
  }
  if (StoreCommand(writePipe, kListCommand)) {
    state.serverListAsked = true;
    state.serverList.Expect();
  }
}

void ReadServerFollowList(std::string_view line, WatchState& state) {
  const std::optional<int> added = state.serverList.Read(line, [&state](const std::string& name) {
    // Each attach asks again; however often a host attaches, the server fills the list no
    // further than one answer may.
    constexpr auto kLongest = static_cast<std::size_t>(GnotifyListReader::kMaxNames);
    if (state.followList.size() >= kLongest || !state.AddFollowName(name)) {
      return false;
    }
    state.serverNamesAdded.push_back(name);
    return true;
  });
  if (added) {
    state.serverListAdded = *added;
  }
}
