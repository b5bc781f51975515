#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "watcher/watch_state.h"

namespace dialog {

// The name in a typed text: line breaks and blanks at either end are dropped, so that the line
// break Enter leaves in the name box, or a blank pasted with a name, costs no name. Whatever
// stands inside is kept and judged by IsValidFollowName.
std::string_view TypedName(std::string_view typed);

// What the list view must do after a click, so that row i keeps showing entry i.
struct RowEdit {
  enum class Op { None, Append, Delete, DeleteAll };
  Op op = Op::None;
  int row = -1;      // Delete: the row
  std::string text;  // Append: the row's text (the stored name)
  bool operator==(const RowEdit&) const = default;
};

// The follow list's buttons: they edit the WatchState's list and keep the server's notification
// list in step with "+gnotify"/"-gnotify" commands. Every click on add or remove empties the
// name box, whatever it then does; clear-all leaves the box alone.
class FollowList {
 public:
  // True when the command reached the host.
  using Writer = std::function<bool(std::string_view command)>;

  FollowList(WatchState& state, Writer write);

  // Add and Remove take the name box's text as typed and judge its TypedName.
  RowEdit Add(std::string_view typed);
  // The typed name when it is valid, else the name of the selected row (-1: none).
  // Only with sendRemove is the server told.
  RowEdit Remove(std::string_view typed, int selectedRow, bool sendRemove);
  // A remove command for each name, in list order, then the list is empty.
  RowEdit ClearAll();

  // Brings the server's notification list in step once the write end opens: "+gnotify" for
  // each listed name whose add could not be written, in list order, then "-gnotify" for each
  // name taken off whose add had reached the server but whose remove could not be written.
  // Commands that were written are not sent again; one that fails again waits for the next.
  void SendUnwritten();

  // The rows for the names that the server's list added to the follow list since the last
  // call (WatchState::serverNamesAdded, which is left empty), in order.
  std::vector<RowEdit> TakeServerNames();

 private:
  bool Send(const char* prefix, const std::string& name);
  void SendAdd(const std::string& name);
  void SendRemove(const std::string& name);

  WatchState& state_;
  Writer write_;
  std::vector<std::string> unwrittenAdds_;     // listed names
  std::vector<std::string> unwrittenRemoves_;  // names no longer listed
};

}  // namespace dialog
