#pragma once
#include <QByteArray>
#include <QPlainTextEdit>

namespace ui {

// The name box: a multi-line edit one line tall; Tab moves the focus on. Whether it scrolls
// sideways and whether it keeps Enter as a line break come from its template entry.
class CNameEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CNameEdit(QWidget* parent = nullptr);

  // The text exactly as typed, as UTF-8 bytes, up to a NUL if one was pasted; line breaks are
  // "\n".
  QByteArray TextBytes() const;
  void SetTextBytes(const QByteArray& bytes);

  // Off: Enter is dropped. Either way it never reaches the dialog, which would take it as OK.
  void SetWantReturn(bool on) { m_wantReturn = on; }
  bool WantsReturn() const { return m_wantReturn; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool m_wantReturn = true;
};

}  // namespace ui
