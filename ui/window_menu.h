#pragma once
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <memory>

class QDialog;

class QPoint;

namespace ui {

// System commands of the window menu (the low four bits of a command are free for the caller).
inline constexpr int SC_MINIMIZE = 0xF020;
inline constexpr int SC_CLOSE = 0xF060;

// Carries out a window-menu command on dialog: IDM_ABOUTBOX and the fifteen numbers after it
// (16 to 31) run the About box modally over the dialog, SC_MINIMIZE minimises (which a
// CTrayHider turns into hiding), SC_CLOSE closes the dialog as its close button does; any
// other number does nothing.
void OnSysCommand(QDialog& dialog, int nID);

// The window menu that the title bar's menu cannot carry here (the window manager owns that):
// Minimize, Close, then a separator and the About item (text: string IDS_ABOUTBOX, command
// IDM_ABOUTBOX) unless that string is empty. It opens on a right-click on the dialog's
// background, on the Menu key and on Shift+F10, at the pointer for a click and at the
// dialog's top left corner for a key. Controls with a menu of their own keep it.
// A child of the dialog, watching it through an event filter; lives as long as the dialog.
class CWindowMenu : public QObject {
  Q_OBJECT

 public:
  explicit CWindowMenu(QDialog& dialog);
  ~CWindowMenu() override;

  // A new menu; each action's data() is its command number.
  std::unique_ptr<QMenu> BuildMenu() const;
  // Opens the menu at globalPos without waiting; the chosen command runs once it has closed.
  void Popup(const QPoint& globalPos);
  // The menu open now, or null.
  QMenu* OpenMenu() const { return m_menu; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QDialog& m_dialog;
  QPointer<QMenu> m_menu;
};

}  // namespace ui
