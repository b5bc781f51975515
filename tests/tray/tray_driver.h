#pragma once
// Helpers for driving the main window's hiding, its window menu and the About box from inside
// the dialog's own modal loop, as the program runs them.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "res/resource.h"
#include "ui/about_dlg.h"
#include "ui/tray_hider.h"
#include "ui/watch_dlg.h"
#include "ui/window_menu.h"

namespace traytest {

// Runs each step in its own later turn of dialog.exec(); the last step must end the dialog.
// Returns how many steps ran before exec() returned: fewer than all when the loop ended early.
// A step that fails a check ends the dialog at once (QTest's failure stays recorded).
inline int ExecSteps(QDialog& dialog, std::vector<std::function<void()>> steps) {
  std::size_t ran = 0;
  std::function<void()> next = [&] {
    if (ran == steps.size()) {
      return;
    }
    steps[ran++]();
    if (QTest::currentTestFailed()) {
      dialog.show();  // done() on a hidden dialog would not end exec()
      dialog.done(-1);
      return;
    }
    QTimer::singleShot(0, &dialog, next);
  };
  QTimer::singleShot(0, &dialog, next);
  // Bounded: a hung step ends the run rather than the test binary's timeout.
  QTimer::singleShot(20000, &dialog, [&] {
    QTest::qFail("the steps did not end the dialog in time", __FILE__, __LINE__);
    // Boxes stacked over the dialog first: each holds a loop that the dialog's waits for.
    while (QWidget* modal = QApplication::activeModalWidget()) {
      if (modal == &dialog) {
        break;
      }
      modal->show();
      modal->close();
    }
    dialog.show();
    dialog.done(-1);
  });
  dialog.exec();
  return static_cast<int>(ran);
}

// Watches for the About box to come up in whatever loop runs, notes it, and closes it with key.
class AboutCloser : public QObject {
 public:
  explicit AboutCloser(Qt::Key key) : m_key(key) {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &AboutCloser::Poll);
    m_timer.start();
  }
  int opened = 0;     // About boxes seen
  int result = -100;  // the last one's exec() result
  QString caption;
  bool modalOverParent = false;

 private:
  void Poll() {
    auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
    if (about == nullptr || !about->isVisible() || about->property("seen").toBool() ||
        !QTest::qWaitForWindowExposed(about)) {
      return;
    }
    about->setProperty("seen", true);
    ++opened;
    caption = about->windowTitle();
    modalOverParent = about->isModal() && about->parentWidget() != nullptr;
    connect(about, &QDialog::finished, this, [this](int r) { result = r; });
    QTest::keyClick(about->windowHandle(), m_key);
  }

  Qt::Key m_key;
  QTimer m_timer;
};

// What the main dialog attaches to itself.
inline ui::CTrayHider* Hider(QDialog& dialog) {
  return dialog.findChild<ui::CTrayHider*>();
}
inline ui::CWindowMenu* Menu(QDialog& dialog) {
  return dialog.findChild<ui::CWindowMenu*>();
}

}  // namespace traytest
