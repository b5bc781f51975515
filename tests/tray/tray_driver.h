#pragma once
// Drives the main window's hiding and its way back from inside the dialog's own modal loop, as
// the program runs it; builds on the user driver of the window tests.
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <vector>

#include "tests/ui/dialog_driver.h"
#include "ui/about_dlg.h"
#include "ui/restore_tab.h"
#include "ui/tray_hider.h"
#include "ui/window_menu.h"

struct TrayDriver : DialogDriver {
  static constexpr int kWaitMs = 15000;  // each wait for the window system, on a loaded machine
  ui::CTrayHider& Hider() { return *dialog.findChild<ui::CTrayHider*>(); }
  bool InTray() { return Hider().TrayIcon() != nullptr && Hider().TrayIcon()->isVisible(); }
  // What offers the way back now: the tray icon's own window, or the restore tab.
  QWidget* WayBack() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      const bool tab = w == Hider().RestoreTab();
      if (w->isVisible() && (tab || (InTray() && w->inherits("QSystemTrayIconSys")))) {
        return w;
      }
    }
    return nullptr;
  }
  bool Hidden() { return !dialog.isVisible() && Hider().IsHidden() && WayBack() != nullptr; }
  bool ShownNormally() {
    return dialog.isVisible() && !dialog.isMinimized() && WayBack() == nullptr &&
           dialog.windowHandle()->isExposed();
  }

  // Runs each step in a later turn of dialog.exec(), the last ending it, and returns how many
  // ran; a failed check ends the dialog at once, and so does a hung run, after 90 s.
  int Exec(std::vector<std::function<void()>> steps) {
    std::size_t ran = 0;
    const auto end = [&] {
      for (int box = 0; box < 4; ++box) {  // boxes stacked over it first
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == &dialog) {
          break;
        }
        modal->show();
        modal->close();
      }
      dialog.show();  // done() on a hidden dialog would not end exec()
      dialog.done(-1);
    };
    std::function<void()> next = [&] {
      if (ran < steps.size()) {
        steps[ran++]();
        QTest::currentTestFailed() ? end() : QTimer::singleShot(0, &dialog, next);
      }
    };
    QTimer::singleShot(0, &dialog, next);
    // Generous: a loaded machine running sanitizer builds is slow to map and restore windows.
    QTimer::singleShot(90000, &dialog, [&] {
      QTest::qFail("the steps did not end the dialog in time", __FILE__, __LINE__);
      end();
    });
    dialog.exec();
    return static_cast<int>(ran);
  }

  // cycles times: minimise(i) hides the window; the way back shows the application's status and
  // ignores a pointer move; activate(i, wayBack) brings the window back, active and to stay
  // (settleMs later), when restored(i) is then checked. Esc ends the dialog at last.
  void HideAndRestore(int cycles, const QString& name, const std::function<void(int)>& minimise,
                      const std::function<void(int, QWindow*)>& activate, int settleMs,
                      const std::function<void(int)>& restored = {}) {
    std::vector<std::function<void()>> steps{[&] { QVERIFY(Show()); }};
    for (int i = 0; i < cycles; ++i) {
      steps.push_back([&, i] {
        minimise(i);
        QTRY_VERIFY_WITH_TIMEOUT(Hidden(), kWaitMs);
        QVERIFY(QTest::qWaitForWindowExposed(WayBack(), kWaitMs));
        // The program's name, then the status line.
        QCOMPARE(InTray() ? Hider().TrayIcon()->toolTip() : WayBack()->toolTip(),
                 ui::TrayTooltip(name + ": " + Text(IDC_STATUS)));
        QWindow* way = WayBack()->windowHandle();
        QTest::mouseMove(way, QPoint(2, 2));
        QTest::mouseMove(way, QPoint(5, 4));
        // The moves restore nothing: once a call queued after them has run, whatever they
        // set off has run too.
        bool after = false;
        QTimer::singleShot(0, &dialog, [&after] { after = true; });
        QTRY_VERIFY_WITH_TIMEOUT(after, kWaitMs);
        QVERIFY(Hidden());
        activate(i, way);
        QTRY_VERIFY_WITH_TIMEOUT(ShownNormally(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isActiveWindow(), kWaitMs);
        // Nothing hides it again behind the user's back (a window manager may briefly unmap
        // and expose it again meanwhile).
        QVERIFY(
            !QTest::qWaitFor([&] { return Hider().IsHidden() || dialog.isMinimized(); }, settleMs));
        QTRY_VERIFY_WITH_TIMEOUT(ShownNormally(), kWaitMs);
        if (restored) {
          restored(i);
        }
      });
    }
    steps.push_back([&] { QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape); });
    QCOMPARE(Exec(steps), int(steps.size()));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
};
