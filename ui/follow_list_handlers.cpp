// The follow-list controls of the main window: the name box, the list view and the four
// buttons. dialog::FollowList decides; the list view shows the rows it reports.
#include <QAbstractButton>

#include "res/resource.h"
#include "ui/display_text.h"
#include "ui/follow_list_ctrl.h"
#include "ui/name_edit.h"
#include "ui/watch_dlg.h"

std::string CWatchDlg::TakeTypedText() {
  const QByteArray typed = m_nameEdit->TextBytes();
  m_nameEdit->SetTextBytes({});
  return std::string(typed.constData(), static_cast<std::size_t>(typed.size()));
}

void CWatchDlg::ShowRowEdit(const dialog::RowEdit& edit) {
  switch (edit.op) {
    case dialog::RowEdit::Op::Append:
      m_followListCtrl->InsertItem(edit.row, ui::DisplayText(edit.text));
      break;
    case dialog::RowEdit::Op::Delete:
      m_followListCtrl->DeleteItem(edit.row);
      break;
    case dialog::RowEdit::Op::DeleteAll:
      for (int row = m_followListCtrl->GetItemCount() - 1; row >= 0; --row) {
        m_followListCtrl->DeleteItem(row);
      }
      break;
    case dialog::RowEdit::Op::None:
      break;
  }
}

void CWatchDlg::ConnectFollowList() {
  const auto clicked = [this](int id, auto handler) {
    connect(Control<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
  };
  clicked(IDC_ADD_GNOTIFY, [this] { ShowRowEdit(m_followList.Add(TakeTypedText())); });
  clicked(IDC_REMOVE, [this] {
    const std::string typed = TakeTypedText();
    ShowRowEdit(m_followList.Remove(typed, m_followListCtrl->GetSelectedIndex(), false));
  });
  clicked(IDC_REMOVE_GNOTIFY, [this] {
    const std::string typed = TakeTypedText();
    ShowRowEdit(m_followList.Remove(typed, m_followListCtrl->GetSelectedIndex(), true));
  });
  clicked(IDC_CLEAR_ALL, [this] { ShowRowEdit(m_followList.ClearAll()); });
}
