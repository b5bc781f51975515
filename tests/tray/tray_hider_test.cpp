// Hiding the main window where the desktop has no notification area (offscreen): the restore
// tab takes the icon's place. Everything runs inside the dialog's own modal loop.
#include <QLabel>
#include <QSignalSpy>

#include "tests/tray/tray_driver.h"
#include "ui/restore_tab.h"

using traytest::ExecSteps;

class TrayHiderTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CWatchDlg> m_dialog;
  ui::CTrayHider* m_hider = nullptr;

  CWatchDlg& Dialog() { return *m_dialog; }
  ui::CRestoreTab* Tab() { return m_hider->RestoreTab(); }
  bool TabShown() { return Tab() != nullptr && Tab()->isVisible(); }
  // The window as the user sees it: shown and not minimised, with no way back on screen.
  bool ShownNormally() { return Dialog().isVisible() && !Dialog().isMinimized() && !TabShown(); }
  bool HiddenWithTab() { return !Dialog().isVisible() && m_hider->IsHidden() && TabShown(); }
  void ShowDialog() {
    Dialog().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Dialog()));
  }
  void MinimiseAsTheDesktopDoes() {
    Dialog().setWindowState(Dialog().windowState() | Qt::WindowMinimized);
  }
  void ClickTab() {
    QVERIFY(QTest::qWaitForWindowExposed(Tab()));
    QTest::mouseClick(Tab()->windowHandle(), Qt::LeftButton, {}, QPoint(4, 4));
  }

 private slots:
  void init() {
    m_dialog = std::make_unique<CWatchDlg>();
    m_hider = traytest::Hider(*m_dialog);
    QVERIFY(m_hider != nullptr);
  }
  void cleanup() { m_dialog.reset(); }

  void tooltip_isTheExecutableNameCutTo63Characters() {
    QCOMPARE(m_hider->Tooltip(), QStringLiteral("tray_hider_test"));
    QCOMPARE(ui::TrayTooltip(QString(70, 'x')), QString(63, 'x'));
    QCOMPARE(ui::TrayTooltip(QString(63, 'y')), QString(63, 'y'));
    // A character beyond the 16-bit range is dropped whole, never cut in half.
    QCOMPARE(ui::TrayTooltip(QString(62, 'z') + QString::fromUcs4(U"\U0001F600")),
             QString(62, 'z'));
  }

  // Both ways of minimising, in turn: each hides the window into the tab without ending the
  // modal loop, and a click on the tab brings it back to stay.
  void minimiseAndClick_cycleStably_whileExecRuns() {
    QSignalSpy hides(m_hider, &ui::CTrayHider::hiddenToTray);
    QSignalSpy restores(m_hider, &ui::CTrayHider::restored);
    std::vector<std::function<void()>> steps{[&] { ShowDialog(); }};
    constexpr int kCycles = 12;
    for (int i = 0; i < kCycles; ++i) {
      steps.push_back([&, i] {
        if (i % 2 == 0) {
          MinimiseAsTheDesktopDoes();
        } else {
          ui::OnSysCommand(Dialog(), ui::SC_MINIMIZE);
        }
        QVERIFY(HiddenWithTab());
        QCOMPARE(Tab()->toolTip(), QStringLiteral("tray_hider_test"));
        QCOMPARE(Tab()->findChildren<QLabel*>().size(), 2);  // the icon and the name
      });
      steps.push_back([&] {
        ClickTab();
        QTRY_VERIFY(ShownNormally());
        QTest::qWait(5);  // nothing hides it again behind the user's back
        QVERIFY(ShownNormally());
      });
    }
    steps.push_back([&] { QTest::keyClick(Dialog().windowHandle(), Qt::Key_Escape); });
    QCOMPARE(ExecSteps(Dialog(), steps), int(steps.size()));
    QCOMPARE(hides.count(), kCycles);
    QCOMPARE(restores.count(), kCycles);
    QCOMPARE(Dialog().result(), int(QDialog::Rejected));
  }

  void pointerMoveDoesNothing_anyActivationRestores_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("left press") << 0;
    QTest::newRow("right press") << 1;
    QTest::newRow("middle press") << 2;
    QTest::newRow("double click") << 3;
    QTest::newRow("Enter") << 4;
    QTest::newRow("Space") << 5;
    QTest::newRow("close request") << 6;
  }
  void pointerMoveDoesNothing_anyActivationRestores() {
    QFETCH(int, way);
    ExecSteps(
        Dialog(),
        {
            [&] { ShowDialog(); },
            [&] { MinimiseAsTheDesktopDoes(); },
            [&] {
              QVERIFY(QTest::qWaitForWindowExposed(Tab()));
              QWindow* tab = Tab()->windowHandle();
              QTest::mouseMove(tab, QPoint(3, 3));
              QTest::mouseMove(tab, QPoint(6, 5));
              QTest::qWait(20);
              QVERIFY(HiddenWithTab());
              const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
              if (way < 3) {
                QTest::mousePress(tab, buttons[way], {}, QPoint(4, 4));
              } else if (way == 3) {
                QTest::mouseDClick(tab, Qt::RightButton, {}, QPoint(4, 4));
              } else if (way < 6) {
                QTest::keyClick(Tab(), way == 4 ? Qt::Key_Return : Qt::Key_Space);
              } else {
                QVERIFY(!Tab()->close());  // refused: the window comes back instead
              }
              QTRY_VERIFY(ShownNormally());
              QTRY_VERIFY(Dialog().isActiveWindow());
            },
            [&] { Dialog().reject(); },
        });
  }

  void minimiseWithTheAboutBoxOpen_hidesAndRestoresBoth() {
    CAboutDlg* about = nullptr;
    ExecSteps(Dialog(), {
                            [&] { ShowDialog(); },
                            [&] {
                              // The About box runs its own loop; the rest happens inside it.
                              QTimer::singleShot(0, [&] {
                                about = Dialog().findChild<CAboutDlg*>();
                                QVERIFY(about != nullptr && QTest::qWaitForWindowExposed(about));
                                MinimiseAsTheDesktopDoes();
                                QVERIFY(HiddenWithTab());
                                QVERIFY(!about->isVisible());
                                ClickTab();
                                QTRY_VERIFY(ShownNormally());
                                QTRY_VERIFY(about->isVisible());
                                QCOMPARE(QApplication::activeModalWidget(), about);
                                QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
                              });
                              ui::OnSysCommand(Dialog(), IDM_ABOUTBOX);
                              QVERIFY(ShownNormally());
                            },
                            [&] { Dialog().reject(); },
                        });
    QVERIFY(about != nullptr);
  }
};

QTEST_MAIN(TrayHiderTest)
#include "tray_hider_test.moc"
