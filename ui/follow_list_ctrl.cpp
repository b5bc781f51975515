#include "ui/follow_list_ctrl.h"

#include <QHeaderView>

namespace ui {

CFollowListCtrl::CFollowListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  header()->hide();
  header()->setStretchLastSection(false);
  setColumnWidth(0, kColumnWidth);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CFollowListCtrl::InsertItem(int index, const QString& text) {
  const int row = (index < 0 || index > topLevelItemCount()) ? topLevelItemCount() : index;
  auto* item = new QTreeWidgetItem(QStringList{text});
  insertTopLevelItem(row, item);
  return row;
}

bool CFollowListCtrl::DeleteItem(int index) {
  if (index < 0 || index >= topLevelItemCount()) {
    return false;
  }
  // Qt moves a single selection onto a neighbour of a deleted current row, so a second click
  // on a remove button would take a name the user never chose: keep the selection as it was,
  // less the deleted row.
  const int selected = GetSelectedIndex();
  QTreeWidgetItem* kept = selected >= 0 && selected != index ? topLevelItem(selected) : nullptr;
  delete takeTopLevelItem(index);
  const int now = GetSelectedIndex();
  if ((now >= 0 ? topLevelItem(now) : nullptr) != kept) {
    clearSelection();
    if (kept != nullptr) {
      kept->setSelected(true);
    }
  }
  return true;
}

QString CFollowListCtrl::GetItemText(int index) const {
  const QTreeWidgetItem* item = topLevelItem(index);
  return item != nullptr ? item->text(0) : QString();
}

int CFollowListCtrl::GetSelectedIndex() const {
  for (int row = 0; row < topLevelItemCount(); ++row) {
    if (topLevelItem(row)->isSelected()) {
      return row;
    }
  }
  return -1;
}

}  // namespace ui
