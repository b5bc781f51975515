#pragma once
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class QDialog;
class QSystemTrayIcon;

namespace ui {

class CRestoreTab;

// The longest tooltip the notification area takes, in characters.
inline constexpr int kMaxTrayTooltip = 63;

// The application's name: the executable's file name without directory and extension.
QString AppName();
// name cut to its first kMaxTrayTooltip characters (a surrogate pair is never split).
QString TrayTooltip(const QString& name);

// Turns every minimise of a running dialog (title-bar button, window menu, the desktop's own)
// into hiding it: the dialog and its own pop-up windows hide, and an icon in the notification
// area, or a CRestoreTab where the desktop has none, offers the way back. The tray is looked
// for at each minimise, since one may start or stop at any time. Any click on the icon, or
// any activation of the tab, removes it and shows, raises and activates the dialog again,
// where it was.
// Hiding never ends the dialog's modal loop: exec() goes on while it is hidden, and only the
// process's end stops it then (the icon is not removed on that path).
// The hider is a child of the dialog and watches it through an event filter; it lives as long
// as the dialog.
class CTrayHider : public QObject {
  Q_OBJECT

 public:
  CTrayHider(QDialog& dialog, const QIcon& icon);
  ~CTrayHider() override;

  // The minimise path; nothing happens while already hidden.
  void HideToTray();
  // The way back; nothing happens while shown.
  void RestoreWindow();

  bool IsHidden() const { return m_hidden; }
  // The tooltip of the icon or tab, now and later; cut to kMaxTrayTooltip characters. Starts
  // as the application's name.
  void SetTooltip(const QString& tooltip);
  const QString& Tooltip() const { return m_tooltip; }
  // What offers the way back now: the tray icon (visible while hidden into the tray) and the
  // tab (visible while hidden without a tray); each is null until first needed.
  QSystemTrayIcon* TrayIcon() const { return m_trayIcon.get(); }
  CRestoreTab* RestoreTab() const { return m_restoreTab.get(); }

 signals:
  void hiddenToTray();
  void restored();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWayBack();
  void RemoveWayBack();
  void HideOwnedWindows();

  QDialog& m_dialog;
  QIcon m_icon;
  QString m_tooltip;
  bool m_hidden = false;
  std::unique_ptr<QSystemTrayIcon> m_trayIcon;
  std::unique_ptr<CRestoreTab> m_restoreTab;
  QRect m_clientArea;  // the dialog's, when it was hidden
  // The dialog's pop-ups hidden with it, each with its client area then.
  std::vector<std::pair<QPointer<QWidget>, QRect>> m_hiddenOwned;
};

}  // namespace ui
