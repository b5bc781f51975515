#include "ui/name_edit.h"

#include <QKeyEvent>
#include <QTextDocument>

namespace ui {

CNameEdit::CNameEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  // Leave room for one line of text inside the frame.
  document()->setDocumentMargin(1);
}

QByteArray CNameEdit::TextBytes() const {
  // The raw text keeps characters such as no-break spaces that toPlainText() would rewrite;
  // only its block and line separators become line feeds.
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  QByteArray bytes = text.toUtf8();
  // A pasted NUL would end the name early in every command built from it; the box holds a
  // C string's worth, as the command text does.
  const qsizetype nul = bytes.indexOf('\0');
  if (nul >= 0) {
    bytes.truncate(nul);
  }
  return bytes;
}

void CNameEdit::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && !m_wantReturn) {
    // Taken and dropped: passed on, the dialog would take it as OK and end the program with
    // a half-typed name.
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CNameEdit::SetTextBytes(const QByteArray& bytes) {
  setPlainText(QString::fromUtf8(bytes));
}

}  // namespace ui
