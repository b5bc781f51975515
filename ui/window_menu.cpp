#include "ui/window_menu.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>

#include "res/resource.h"
#include "res/string_table.h"
#include "ui/about_dlg.h"

namespace ui {
namespace {

void AddCommand(QMenu& menu, const QString& text, int command) {
  QAction* action = menu.addAction(text);
  action->setData(command);
}

bool IsMenuKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Menu ||
         (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

}  // namespace

void OnSysCommand(QDialog& dialog, int nID) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about(&dialog);
    about.exec();
    return;
  }
  switch (nID) {
    case SC_MINIMIZE:
      dialog.setWindowState(dialog.windowState() | Qt::WindowMinimized);
      break;
    case SC_CLOSE:
      dialog.close();
      break;
    default:
      break;
  }
}

CWindowMenu::CWindowMenu(QDialog& dialog) : QObject(&dialog), m_dialog(dialog) {
  m_dialog.installEventFilter(this);
}

CWindowMenu::~CWindowMenu() = default;

std::unique_ptr<QMenu> CWindowMenu::BuildMenu() const {
  auto menu = std::make_unique<QMenu>(&m_dialog);
  AddCommand(*menu, tr("Mi&nimize"), SC_MINIMIZE);
  AddCommand(*menu, tr("&Close"), SC_CLOSE);
  const std::string_view about = res::LoadResString(IDS_ABOUTBOX);
  if (!about.empty()) {
    menu->addSeparator();
    AddCommand(*menu, QString::fromUtf8(about.data(), static_cast<qsizetype>(about.size())),
               IDM_ABOUTBOX);
  }
  return menu;
}

void CWindowMenu::Popup(const QPoint& globalPos) {
  if (m_menu) {
    return;  // one at a time
  }
  QMenu* menu = BuildMenu().release();  // from here the dialog owns it, until it closes
  menu->setAttribute(Qt::WA_DeleteOnClose);
  m_menu = menu;
  connect(menu, &QMenu::triggered, this, [this](QAction* action) {
    const int command = action->data().toInt();
    // After the menu has gone: the command may run a modal box or hide the dialog.
    QMetaObject::invokeMethod(
        this, [this, command] { OnSysCommand(m_dialog, command); }, Qt::QueuedConnection);
  });
  menu->popup(globalPos);
}

bool CWindowMenu::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &m_dialog) {
    return false;
  }
  // Both reach the dialog only when the control under the pointer or with the focus has not
  // taken them for a menu of its own.
  if (event->type() == QEvent::ContextMenu) {
    const auto* request = static_cast<QContextMenuEvent*>(event);
    Popup(request->reason() == QContextMenuEvent::Mouse ? request->globalPos()
                                                        : m_dialog.mapToGlobal(QPoint(0, 0)));
    return true;
  }
  if (event->type() == QEvent::KeyPress && IsMenuKey(*static_cast<QKeyEvent*>(event))) {
    Popup(m_dialog.mapToGlobal(QPoint(0, 0)));
    return true;
  }
  return false;
}

}  // namespace ui
