#include "ui/trackbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <algorithm>

namespace ui {

CTrackbar::CTrackbar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  UpdateAutoPageSize();
  connect(this, &QSlider::sliderMoved, this, &CTrackbar::ShowValueTip);
}

void CTrackbar::SetRange(int minimum, int maximum) {
  setRange(minimum, maximum);
  UpdateAutoPageSize();
}

QRect CTrackbar::ThumbRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void CTrackbar::UpdateAutoPageSize() {
  setPageStep(std::max(1, (maximum() - minimum()) / 5));
}

void CTrackbar::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & ~Qt::KeypadModifier) {
    QSlider::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      setValue(value() - singleStep());
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      setValue(value() + singleStep());
      break;
    case Qt::Key_PageUp:
      setValue(value() - pageStep());
      break;
    case Qt::Key_PageDown:
      setValue(value() + pageStep());
      break;
    case Qt::Key_Home:
      setValue(minimum());
      break;
    case Qt::Key_End:
      setValue(maximum());
      break;
    default:
      QSlider::keyPressEvent(event);
      return;
  }
  event->accept();
}

void CTrackbar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_pressed = true;
  }
  QSlider::mousePressEvent(event);
}

void CTrackbar::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && m_pressed) {
    m_pressed = false;
    emit released();
  }
}

void CTrackbar::ShowValueTip() {
  if (!m_valueTips) {
    return;
  }
  QToolTip::showText(mapToGlobal(QPoint(width() / 2, 0)), QString::number(sliderPosition()), this);
}

}  // namespace ui
