#include "ui/follow_list_ctrl.h"

namespace ui {

CFollowListCtrl::CFollowListCtrl(QWidget* parent) : QListWidget(parent) {
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CFollowListCtrl::InsertItem(int index, const QString& text) {
  const int row = (index < 0 || index > count()) ? count() : index;
  insertItem(row, text);
  return row;
}

bool CFollowListCtrl::DeleteItem(int index) {
  if (index < 0 || index >= count()) {
    return false;
  }
  // Qt moves a single selection onto a neighbour of a deleted current row, so a second click
  // on a remove button would take a name the user never chose: keep the selection as it was,
  // less the deleted row.
  const int selected = GetSelectedIndex();
  QListWidgetItem* kept = selected >= 0 && selected != index ? item(selected) : nullptr;
  delete takeItem(index);
  const int now = GetSelectedIndex();
  if ((now >= 0 ? item(now) : nullptr) != kept) {
    clearSelection();
    if (kept != nullptr) {
      kept->setSelected(true);
    }
  }
  return true;
}

QString CFollowListCtrl::GetItemText(int index) const {
  const QListWidgetItem* row = item(index);
  return row != nullptr ? row->text() : QString();
}

int CFollowListCtrl::GetSelectedIndex() const {
  for (int row = 0; row < count(); ++row) {
    if (item(row)->isSelected()) {
      return row;
    }
  }
  return -1;
}

}  // namespace ui
