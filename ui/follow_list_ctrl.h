#pragma once
#include <QString>
#include <QTreeWidget>

namespace ui {

// The report-style list of followed names: one column without a header, single selection, rows
// kept in insertion order (never sorted), not editable.
class CFollowListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  static constexpr int kColumnWidth = 120;

  explicit CFollowListCtrl(QWidget* parent = nullptr);

  int GetItemCount() const { return topLevelItemCount(); }
  // Inserts a row; an index past the last row appends. Returns the row's index.
  int InsertItem(int index, const QString& text);
  // False when there is no such row. The selection stays as it was, less the deleted row.
  bool DeleteItem(int index);
  QString GetItemText(int index) const;
  // The first selected row, or -1.
  int GetSelectedIndex() const;
};

}  // namespace ui
