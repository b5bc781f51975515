#pragma once
#include <QByteArray>
#include <QPlainTextEdit>

namespace ui {

// The name box: a multi-line edit one line tall that scrolls sideways and keeps Enter as a
// line break; Tab still moves the focus on.
class CNameEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CNameEdit(QWidget* parent = nullptr);

  // The text exactly as typed, as UTF-8 bytes, up to a NUL if one was pasted; line breaks are
  // "\n".
  QByteArray TextBytes() const;
  void SetTextBytes(const QByteArray& bytes);
};

}  // namespace ui
