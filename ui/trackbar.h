#pragma once
#include <QSlider>

namespace ui {

// A horizontal trackbar that moves like a native one (res/dialog_template.h): Left and Up decrease
// by the line size, Right and Down increase, Page Up decreases and Page Down increases by the page
// size (a fifth of the range, at least 1), Home and End go to the ends.
// released() is emitted when the left mouse button is released after a press on the control,
// on the thumb or on the channel alike, and never for keys; QSlider::sliderReleased covers the
// thumb only.
class CTrackbar : public QSlider {
  Q_OBJECT

 public:
  explicit CTrackbar(QWidget* parent = nullptr);

  // On: the value shows in a tip while the thumb is dragged.
  void SetValueTips(bool on) { m_valueTips = on; }
  bool ValueTips() const { return m_valueTips; }
  // Sets the range and the page size that follows from it.
  void SetRange(int minimum, int maximum);
  // Where the thumb is drawn, in the control's coordinates.
  QRect ThumbRect() const;

 signals:
  void released();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void UpdateAutoPageSize();
  void ShowValueTip();

  bool m_pressed = false;
  bool m_valueTips = false;
};

}  // namespace ui
