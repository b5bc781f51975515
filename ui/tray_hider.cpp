#include "ui/tray_hider.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QSystemTrayIcon>
#include <QWindow>

#include "ui/restore_tab.h"

namespace ui {
namespace {

bool IsOwnedBy(const QWidget& window, const QWidget& owner) {
  for (const QWidget* p = window.parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (p == &owner) {
      return true;
    }
  }
  return false;
}

// Under X11 a window shown again after a minimise and a hide can be handed its old minimised
// state and vanish at once; a fresh native window with the state cleared comes up clean. It
// asks for the client area that the window had when it was hidden: a window manager then puts
// the frame back where it was. By now the hidden window's own geometry may be that of the
// frame (a window manager lets go of a hidden window at its frame's place), and a fresh
// window there came up with its title bar off the screen.
void ShowAfresh(QWidget& window, const QRect& clientArea) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  if (QWindow* handle = window.windowHandle()) {
    handle->destroy();
  }
  window.setGeometry(clientArea);
  window.show();
  window.raise();
}

// Hides a window without ending a modal loop it runs: QDialog's own hide would end exec().
void HideKeepingLoop(QWidget& window) {
  window.QWidget::setVisible(false);
}

}  // namespace

QString AppName() {
  const QString path = QCoreApplication::applicationFilePath();
  return path.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(path).completeBaseName();
}

QString TrayTooltip(const QString& name) {
  if (name.size() <= kMaxTrayTooltip) {
    return name;
  }
  qsizetype cut = kMaxTrayTooltip;
  if (name.at(cut - 1).isHighSurrogate()) {
    --cut;
  }
  return name.left(cut);
}

CTrayHider::CTrayHider(QDialog& dialog, const QIcon& icon)
    : QObject(&dialog), m_dialog(dialog), m_icon(icon), m_tooltip(TrayTooltip(AppName())) {
  m_dialog.installEventFilter(this);
}

CTrayHider::~CTrayHider() = default;

void CTrayHider::SetTooltip(const QString& tooltip) {
  m_tooltip = TrayTooltip(tooltip);
  if (m_trayIcon) {
    m_trayIcon->setToolTip(m_tooltip);
  }
  if (m_restoreTab) {
    m_restoreTab->setToolTip(m_tooltip);
  }
}

bool CTrayHider::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &m_dialog && event->type() == QEvent::WindowStateChange &&
      m_dialog.isMinimized() && m_dialog.isVisible()) {
    HideToTray();
  }
  return false;
}

void CTrayHider::HideToTray() {
  if (m_hidden) {
    return;
  }
  m_hidden = true;
  m_clientArea = m_dialog.geometry();
  ShowWayBack();
  HideOwnedWindows();
  HideKeepingLoop(m_dialog);
  emit hiddenToTray();
}

void CTrayHider::RestoreWindow() {
  if (!m_hidden) {
    return;
  }
  m_hidden = false;
  RemoveWayBack();
  ShowAfresh(m_dialog, m_clientArea);
  m_dialog.activateWindow();
  for (const auto& [owned, clientArea] : m_hiddenOwned) {
    if (owned) {
      ShowAfresh(*owned, clientArea);
      owned->activateWindow();  // the last one shown is the topmost, often a modal box
    }
  }
  m_hiddenOwned.clear();
  emit restored();
}

void CTrayHider::ShowWayBack() {
  // Asked afresh each time: a tray may have started or stopped since the last minimise.
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    if (!m_trayIcon) {
      m_trayIcon = std::make_unique<QSystemTrayIcon>(m_icon);
      m_trayIcon->setToolTip(m_tooltip);
      // Every activation: any button's press or double click; pointer moves emit nothing.
      // Queued: the icon's window, which sends the signal, goes away with the icon.
      connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &CTrayHider::RestoreWindow,
              Qt::QueuedConnection);
    }
    m_trayIcon->show();
    return;
  }
  if (!m_restoreTab) {
    m_restoreTab = std::make_unique<CRestoreTab>(m_icon, AppName());
    m_restoreTab->setToolTip(m_tooltip);
    connect(m_restoreTab.get(), &CRestoreTab::activated, this, &CTrayHider::RestoreWindow,
            Qt::QueuedConnection);
  }
  m_restoreTab->ShowOn(m_dialog.screen());
}

void CTrayHider::RemoveWayBack() {
  if (m_trayIcon) {
    m_trayIcon->hide();
  }
  if (m_restoreTab) {
    m_restoreTab->hide();
  }
}

void CTrayHider::HideOwnedWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window == &m_dialog || !window->isVisible() || !IsOwnedBy(*window, m_dialog)) {
      continue;
    }
    if (window->windowType() == Qt::Popup) {
      window->close();  // an open menu has nothing to come back to
      continue;
    }
    m_hiddenOwned.emplace_back(window, window->geometry());
    HideKeepingLoop(*window);
  }
}

}  // namespace ui
