#pragma once
#include <QListWidget>
#include <QString>

namespace ui {

// The list of followed names: one text per row, rows kept in insertion order (never sorted),
// not editable. The builder sets its selection mode from the template.
class CFollowListCtrl : public QListWidget {
  Q_OBJECT

 public:
  explicit CFollowListCtrl(QWidget* parent = nullptr);

  int GetItemCount() const { return count(); }
  // Inserts a row; an index past the last row appends. Returns the row's index.
  int InsertItem(int index, const QString& text);
  // False when there is no such row. The selection stays as it was, less the deleted row.
  bool DeleteItem(int index);
  QString GetItemText(int index) const;
  // The first selected row, or -1.
  int GetSelectedIndex() const;
};

}  // namespace ui
