#pragma once
#include <QIcon>
#include <QWidget>

class QScreen;

namespace ui {

// The way back to a hidden window where the desktop has no notification area: a small
// frameless tab that stays on top in the corner of the screen, showing the icon and the
// application name (also its tooltip). Any press, release or double click of any mouse button
// on it, Enter, Return or Space while it has the focus, and a close request all emit
// activated(); a mere pointer move does nothing. It never ends the application when it closes.
class CRestoreTab : public QWidget {
  Q_OBJECT

 public:
  CRestoreTab(const QIcon& icon, const QString& name);

  // Shows the tab in the lower right corner of screen's available area (the primary screen
  // when null), without taking the focus from whatever has it.
  void ShowOn(QScreen* screen);

 signals:
  void activated();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace ui
