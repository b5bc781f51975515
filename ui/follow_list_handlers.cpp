// The follow-list controls of the main window: the name box, the list view and the four
// buttons that add, remove and clear names and keep the server's notification list in step.
#include <algorithm>

#include "hostlink/framing.h"
#include "hostlink/host_session.h"
#include "platform/last_error.h"
#include "ui/display_text.h"
#include "ui/follow_list_ctrl.h"
#include "ui/name_edit.h"
#include "ui/watch_dlg.h"

namespace {

// A typed text is a name when it has 2 to 15 bytes and no control byte. A line break in a
// name would end the server command early and make the rest a command of its own; blanks
// and bytes of 0x80 and above stay part of the name.
bool IsValidName(const QByteArray& text) {
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  return text.size() > 1 && text.size() < 16 && !control;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

void Erase(std::vector<std::string>& names, const std::string& name) {
  names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

// Takes the name box's text and empties the box, which happens whatever the handler then does.
std::string TakeTypedText(ui::CNameEdit& edit) {
  const QByteArray typed = edit.TextBytes();
  edit.SetTextBytes({});
  return std::string(typed.constData(), static_cast<std::size_t>(typed.size()));
}

}  // namespace

bool CWatchDlg::SendFollowCommand(const char* prefix, const std::string& name) {
  if (m_pWritePipe == nullptr) {
    return false;
  }
  const std::string text = prefix + name + "\n";
  // Stored counts as written even when the host could not be woken (no code is left then):
  // its reader finds the bytes at its next wake-up, and a second copy would repeat them.
  platform::SetLastError(0);
  return SendText(*m_pWritePipe, kCommandKind, text.c_str()) == 1 || platform::GetLastError() == 0;
}

void CWatchDlg::SendAddCommand(const std::string& name) {
  // A name whose remove never reached the server is still on its list.
  const bool onServer = Contains(m_unwrittenRemoves, name);
  Erase(m_unwrittenRemoves, name);
  if (!SendFollowCommand("+gnotify ", name) && !onServer) {
    m_unwrittenAdds.push_back(name);
  }
}

void CWatchDlg::SendRemoveCommand(const std::string& name) {
  // Only a name whose add reached the server needs taking off its list later.
  const bool onServer = !Contains(m_unwrittenAdds, name);
  Erase(m_unwrittenAdds, name);
  if (!SendFollowCommand("-gnotify ", name) && onServer) {
    m_unwrittenRemoves.push_back(name);
  }
}

void CWatchDlg::SendUnwrittenFollowCommands() {
  for (const std::string& name : m_state.followList) {
    if (Contains(m_unwrittenAdds, name) && SendFollowCommand("+gnotify ", name)) {
      Erase(m_unwrittenAdds, name);
    }
  }
  const std::vector<std::string> removes = std::move(m_unwrittenRemoves);
  m_unwrittenRemoves.clear();
  for (const std::string& name : removes) {
    if (!SendFollowCommand("-gnotify ", name)) {
      m_unwrittenRemoves.push_back(name);
    }
  }
}

void CWatchDlg::OnAddGnotify() {
  std::string name = TakeTypedText(*m_nameEdit);
  if (!IsValidName(QByteArray::fromStdString(name))) {
    return;
  }
  LowerCaseName(name);
  if (!m_state.AddFollowName(name)) {
    return;
  }
  m_followListCtrl->InsertItem(static_cast<int>(m_state.followList.size()), ui::DisplayText(name));
  SendAddCommand(name);
}

bool CWatchDlg::RemoveChosenName(std::string& name) {
  name = TakeTypedText(*m_nameEdit);
  if (!IsValidName(QByteArray::fromStdString(name))) {
    const int selected = m_followListCtrl->GetSelectedIndex();
    if (selected >= 0 && static_cast<std::size_t>(selected) < m_state.followList.size()) {
      name = m_state.followList[static_cast<std::size_t>(selected)];
    }
  }
  LowerCaseName(name);
  const int index = m_state.RemoveFollowName(name);
  if (index < 0) {
    return false;
  }
  m_followListCtrl->DeleteItem(index);
  return true;
}

void CWatchDlg::OnRemoveName() {
  std::string name;
  if (RemoveChosenName(name)) {
    Erase(m_unwrittenAdds, name);  // no longer listed: nothing to catch up on
  }
}

void CWatchDlg::OnRemoveGnotify() {
  std::string name;
  if (RemoveChosenName(name)) {
    SendRemoveCommand(name);
  }
}

void CWatchDlg::OnClearAllGnotify() {
  const int count = static_cast<int>(m_state.followList.size());
  if (count == 0) {
    return;
  }
  for (int row = count - 1; row >= 0; --row) {
    m_followListCtrl->DeleteItem(row);
  }
  for (const std::string& name : m_state.followList) {
    SendRemoveCommand(name);
  }
  m_state.ClearFollowList();
}
