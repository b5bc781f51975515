#include "ui/buttons.h"

#include <QPainter>

namespace ui {

CGroupBox::CGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void CGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -2, -2);
  // Etched: a shadow line with a highlight line one pixel below and to the right.
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(frame);

  const int indent = metrics.averageCharWidth() + 2;
  const QRect textRect(indent, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
  painter.fillRect(textRect, palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, title());
}

}  // namespace ui
