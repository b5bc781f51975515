// Hiding the main window where the desktop has no notification area (offscreen): the restore
// tab takes the icon's place. Everything runs inside the dialog's own modal loop.
#include <QLabel>
#include <QSignalSpy>

#include "tests/tray/tray_driver.h"

class TrayHiderTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TrayDriver> m_d;

 private slots:
  void init() { m_d = std::make_unique<TrayDriver>(); }
  void cleanup() { m_d.reset(); }

  void tooltip_isCutTo63CharactersNeverInsideACharacter() {
    QCOMPARE(ui::TrayTooltip(QString(70, 'x')), QString(63, 'x'));
    QCOMPARE(ui::TrayTooltip(QString(63, 'y')), QString(63, 'y'));
    QCOMPARE(ui::TrayTooltip(QString(62, 'z') + QString::fromUcs4(U"\U0001F600")),
             QString(62, 'z'));
  }

  // Both ways of minimising, each with every activation of the tab (press of each button, a
  // double click, Enter, Space, a close request): hidden and back, without ending exec().
  void minimiseHidesIntoTheTab_anyActivationButAPointerMoveRestores() {
    QSignalSpy hides(&m_d->Hider(), &ui::CTrayHider::hiddenToTray);
    QSignalSpy restores(&m_d->Hider(), &ui::CTrayHider::restored);
    const auto minimise = [&](int i) {
      if (i % 2 == 0) {
        m_d->dialog.setWindowState(m_d->dialog.windowState() | Qt::WindowMinimized);
      } else {
        ui::OnSysCommand(m_d->dialog, ui::SC_MINIMIZE);
      }
    };
    const auto activate = [&](int i, QWindow* tab) {
      QCOMPARE(m_d->WayBack()->findChildren<QLabel*>().size(), 2);  // the icon and the name
      const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
      const int way = i % 7;
      if (way < 3) {
        QTest::mousePress(tab, buttons[way], {}, QPoint(4, 4));
      } else if (way == 3) {
        QTest::mouseDClick(tab, Qt::RightButton, {}, QPoint(4, 4));
      } else if (way < 6) {
        QTest::keyClick(m_d->WayBack(), way == 4 ? Qt::Key_Return : Qt::Key_Space);
      } else {
        QVERIFY(!m_d->WayBack()->close());  // refused: the window comes back instead
      }
    };
    m_d->HideAndRestore(14, "tray_hider_test", minimise, activate, 5);
    QCOMPARE(hides.count(), 14);
    QCOMPARE(restores.count(), 14);
  }

  void minimiseWithTheAboutBoxOpen_hidesAndRestoresBoth() {
    CAboutDlg* about = nullptr;
    const auto insideAbout = [&] {  // the About box runs its own loop
      about = m_d->dialog.findChild<CAboutDlg*>();
      QVERIFY(about != nullptr && QTest::qWaitForWindowExposed(about));
      m_d->dialog.setWindowState(m_d->dialog.windowState() | Qt::WindowMinimized);
      QVERIFY(m_d->Hidden() && !about->isVisible());
      QVERIFY(QTest::qWaitForWindowExposed(m_d->WayBack()));
      QTest::mouseClick(m_d->WayBack()->windowHandle(), Qt::LeftButton, {}, QPoint(4, 4));
      QTRY_VERIFY(m_d->ShownNormally() && about->isVisible());
      QCOMPARE(QApplication::activeModalWidget(), about);
      QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
    };
    m_d->Exec({[&] { QVERIFY(m_d->Show()); },
               [&] {
                 QTimer::singleShot(0, insideAbout);
                 ui::OnSysCommand(m_d->dialog, IDM_ABOUTBOX);
                 QVERIFY(m_d->ShownNormally());
               },
               [&] { m_d->dialog.reject(); }});
    QVERIFY(about != nullptr);
  }
};

QTEST_MAIN(TrayHiderTest)
#include "tray_hider_test.moc"
