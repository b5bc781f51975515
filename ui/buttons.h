#pragma once
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

namespace ui {

// Radio buttons and check boxes that react to a click anywhere in their rectangle, as the
// template's controls do, not only on the mark and the text.
class CRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class CCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A frame with a title, drawn behind the controls it frames and transparent to the mouse, so
// the radios inside it take their clicks.
// Painted as native dialogs draw it (res/dialog_template.h): an etched frame whose top edge runs
// through the middle of the title.
class CGroupBox : public QGroupBox {
 public:
  explicit CGroupBox(const QString& title, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
