#include "ui/restore_tab.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace ui {
namespace {

constexpr int kIconSize = 32;
constexpr int kCornerGap = 8;  // pixels between the tab and the screen's edges

}  // namespace

CRestoreTab::CRestoreTab(const QIcon& icon, const QString& name)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setWindowTitle(name);
  setWindowIcon(icon);
  setToolTip(name);
  setAccessibleName(name);
  setAccessibleDescription(tr("Restores the %1 window").arg(name));

  auto* image = new QLabel(this);
  image->setPixmap(icon.pixmap(kIconSize, kIconSize));
  auto* text = new QLabel(name, this);
  text->setTextFormat(Qt::PlainText);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 4, 10, 4);
  layout->addWidget(image);
  layout->addWidget(text);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
}

void CRestoreTab::ShowOn(QScreen* screen) {
  if (screen == nullptr) {
    screen = QGuiApplication::primaryScreen();
  }
  adjustSize();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - kCornerGap, area.bottom() - height() - kCornerGap);
  }
  show();
  raise();
}

void CRestoreTab::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit activated();
}

void CRestoreTab::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  emit activated();
}

void CRestoreTab::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  emit activated();
}

void CRestoreTab::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      event->accept();
      emit activated();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CRestoreTab::closeEvent(QCloseEvent* event) {
  // Closing the only way back would strand the window: bring the window back instead.
  event->ignore();
  emit activated();
}

}  // namespace ui
