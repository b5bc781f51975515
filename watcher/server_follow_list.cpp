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
    if (!state.AddFollowName(name)) {
      return false;
    }
    state.serverNamesAdded.push_back(name);
    return true;
  });
  if (added) {
    state.serverListAdded = *added;
  }
}
