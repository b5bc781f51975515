// The follow-list controls of the main window: the name box, the list view and the four
// buttons that add, remove and clear names and keep the server's notification list in step.
#include "hostlink/framing.h"
#include "hostlink/host_session.h"
#include "ui/follow_list_ctrl.h"
#include "ui/name_edit.h"
#include "ui/watch_dlg.h"

namespace {

// A typed text is a name when it has 2 to 15 bytes; nothing else is checked, so blanks and
// line breaks stay part of it.
bool IsValidName(const QByteArray& text) {
  return text.size() > 1 && text.size() < 16;
}

// Takes the name box's text and empties the box, which happens whatever the handler then does.
std::string TakeTypedText(ui::CNameEdit& edit) {
  const QByteArray typed = edit.TextBytes();
  edit.SetTextBytes({});
  return std::string(typed.constData(), static_cast<std::size_t>(typed.size()));
}

}  // namespace

void CWatchDlg::SendFollowCommand(const char* prefix, const std::string& name) {
  if (m_pWritePipe == nullptr) {
    return;
  }
  const std::string text = prefix + name + "\n";
  // A command the host cannot take yet is dropped, as every failed send is.
  (void)SendText(*m_pWritePipe, kCommandKind, text.c_str());
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
  m_followListCtrl->InsertItem(static_cast<int>(m_state.followList.size()),
                               QString::fromStdString(name));
  SendFollowCommand("+gnotify ", name);
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
  (void)RemoveChosenName(name);
}

void CWatchDlg::OnRemoveGnotify() {
  std::string name;
  if (RemoveChosenName(name)) {
    SendFollowCommand("-gnotify ", name);
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
    SendFollowCommand("-gnotify ", name);
  }
  m_state.ClearFollowList();
}
