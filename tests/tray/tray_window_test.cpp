// The main window hidden where there is no notification area (the restore tab stands in), its
// window menu and the About box, all inside the dialog's own modal loop, as the program runs it.
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>

#include "tests/tray/tray_driver.h"

namespace {

// Closes each About box that comes up, in whatever loop runs, with key, and notes it.
struct AboutCloser : QObject {
  explicit AboutCloser(Qt::Key key) : key(key) { qApp->installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* about = qobject_cast<CAboutDlg*>(watched);
    if (about != nullptr && event->type() == QEvent::Show && !about->property("seen").toBool()) {
      about->setProperty("seen", true);
      QTimer::singleShot(0, about, [this, about] { Close(about); });  // once its loop runs
    }
    return false;
  }
  void Close(CAboutDlg* about) {
    QVERIFY(QTest::qWaitForWindowExposed(about));
    ++opened;
    modalOverParent = about->isModal() && about->parentWidget() != nullptr &&
                      about->windowTitle() == QStringLiteral("About vantor1");
    QObject::connect(about, &QDialog::finished, [this](int r) { result = r; });
    QTest::keyClick(about->windowHandle(), key);
  }
  Qt::Key key;
  int opened = 0;
  int result = -100;  // the last one's exec() result
  bool modalOverParent = false;
};

const QPoint kBackground(2, 2);  // beside every control

}  // namespace

class TrayWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TrayDriver> m_d;

  QMenu* Menu() { return m_d->dialog.findChild<ui::CWindowMenu*>()->OpenMenu(); }
  void Choose(int item) {
    QVERIFY(Menu() != nullptr && QTest::qWaitForWindowExposed(Menu()));
    QTest::mouseClick(Menu(), Qt::LeftButton, {},
                      Menu()->actionGeometry(Menu()->actions().value(item)).center());
  }

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
    m_d->HideAndRestore(14, "tray_window_test", minimise, activate, 5);
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

  // Each way of opening the menu, then Esc, Minimize or Close.
  void menu_opensOnRightClickMenuKeyAndShiftF10_itsItemsWork_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("item");  // -1: Esc
    QTest::newRow("right click, Esc") << 0 << -1;
    QTest::newRow("Menu key, Minimize") << 1 << 0;
    QTest::newRow("Shift+F10, Close") << 2 << 1;
  }
  void menu_opensOnRightClickMenuKeyAndShiftF10_itsItemsWork() {
    QFETCH(int, way);
    QFETCH(int, item);
    QVERIFY(m_d->Show());
    QSignalSpy rejected(&m_d->dialog, &QDialog::rejected);
    QWindow* window = m_d->dialog.windowHandle();
    if (way == 0) {
      QTest::mouseClick(window, Qt::RightButton, {}, kBackground);
    } else {
      QTest::keyClick(window, way == 1 ? Qt::Key_Menu : Qt::Key_F10,
                      way == 1 ? Qt::NoModifier : Qt::ShiftModifier);
    }
    QTRY_VERIFY(Menu() != nullptr && Menu()->isVisible());
    QCOMPARE(Menu()->pos(), m_d->dialog.mapToGlobal(way == 0 ? kBackground : QPoint(0, 0)));
    item < 0 ? QTest::keyClick(Menu(), Qt::Key_Escape) : Choose(item);
    QTRY_VERIFY(Menu() == nullptr && !m_d->dialog.isVisible() == (item >= 0));
    QCOMPARE(m_d->Hidden(), item == 0);
    QCOMPARE(rejected.count(), item == 1 ? 1 : 0);
  }

  void aboutItem_opensTheAboutBox_closedByEnterOrEsc_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << Qt::Key_Return << int(QDialog::Accepted);
    QTest::newRow("Esc") << Qt::Key_Escape << int(QDialog::Rejected);
  }
  void aboutItem_opensTheAboutBox_closedByEnterOrEsc() {
    QFETCH(Qt::Key, key);
    QFETCH(int, result);
    AboutCloser closer(key);
    const int ran = m_d->Exec({
        [&] { QVERIFY(m_d->Show()); },
        [&] { QTest::mouseClick(m_d->dialog.windowHandle(), Qt::RightButton, {}, kBackground); },
        [&] { Choose(3); }, [&] { QTRY_COMPARE(closer.result, result); },
        [&] { QTest::keyClick(m_d->dialog.windowHandle(), Qt::Key_Escape); },  // itself again
    });
    QCOMPARE(ran, 5);
    QCOMPARE(closer.opened, 1);
    QVERIFY(closer.modalOverParent);
  }

  // The texts themselves are checked against the template in tests/ui/window_test.cpp.
  void aboutBox_showsIconNameAndVersionUncut() {
    CAboutDlg about(&m_d->dialog);
    auto* icon = qobject_cast<QLabel*>(about.Controls()[0].widget);
    QVERIFY(icon != nullptr && !icon->pixmap().isNull());
    for (int i : {1, 2}) {  // the name and the version line: one line each, nothing cut off
      auto* label = qobject_cast<QLabel*>(about.Controls()[i].widget);
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->text()));
    }
  }
};

QTEST_MAIN(TrayWindowTest)
#include "tray_window_test.moc"
