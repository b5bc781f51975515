// The main window's own window menu and the About box it opens.
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "res/dialog_template.h"
#include "tests/tray/tray_driver.h"

using traytest::AboutCloser;
using traytest::ExecSteps;

namespace {

struct Item {
  QString text;
  int command;  // 0 for a separator
  bool operator==(const Item&) const = default;
};

std::vector<Item> Items(const QMenu& menu) {
  std::vector<Item> items;
  for (QAction* action : menu.actions()) {
    items.push_back({action->text(), action->isSeparator() ? 0 : action->data().toInt()});
  }
  return items;
}

}  // namespace

class WindowMenuTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CWatchDlg> m_dialog;
  ui::CWindowMenu* m_menu = nullptr;

  CWatchDlg& Dialog() { return *m_dialog; }
  void ShowDialog() {
    Dialog().show();
    Dialog().activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&Dialog()));
  }
  // A point of the dialog's background, beside every control.
  QPoint Background() const { return QPoint(2, 2); }
  void ChooseAbout() {
    QMenu* menu = m_menu->OpenMenu();
    QVERIFY(menu != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QAction* about = menu->actions().value(3);
    QVERIFY(about != nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(about).center());
  }

 private slots:
  void init() {
    m_dialog = std::make_unique<CWatchDlg>();
    m_menu = traytest::Menu(*m_dialog);
    QVERIFY(m_menu != nullptr);
  }
  void cleanup() { m_dialog.reset(); }

  void menu_holdsMinimizeCloseAndTheAboutItem() {
    const std::unique_ptr<QMenu> menu = m_menu->BuildMenu();
    const std::vector<Item> expected{{"Mi&nimize", ui::SC_MINIMIZE},
                                     {"&Close", ui::SC_CLOSE},
                                     {"", 0},
                                     {"&About vantor1...", IDM_ABOUTBOX}};
    QVERIFY(Items(*menu) == expected);
  }

  void rightClickOnTheBackground_menuKeyAndShiftF10_openTheMenu_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("right click") << 0;
    QTest::newRow("Menu key") << 1;
    QTest::newRow("Shift+F10") << 2;
  }
  void rightClickOnTheBackground_menuKeyAndShiftF10_openTheMenu() {
    QFETCH(int, way);
    ShowDialog();
    QWindow* window = Dialog().windowHandle();
    if (way == 0) {
      QTest::mouseClick(window, Qt::RightButton, {}, Background());
    } else if (way == 1) {
      QTest::keyClick(window, Qt::Key_Menu);
    } else {
      QTest::keyClick(window, Qt::Key_F10, Qt::ShiftModifier);
    }
    QTRY_VERIFY(m_menu->OpenMenu() != nullptr && m_menu->OpenMenu()->isVisible());
    const QPoint expectedAt =
        way == 0 ? Dialog().mapToGlobal(Background()) : Dialog().mapToGlobal(QPoint(0, 0));
    QCOMPARE(m_menu->OpenMenu()->pos(), expectedAt);
    QCOMPARE(Items(*m_menu->OpenMenu()).size(), std::size_t{4});
    QTest::keyClick(m_menu->OpenMenu(), Qt::Key_Escape);
    QTRY_VERIFY(m_menu->OpenMenu() == nullptr);
    QVERIFY(Dialog().isVisible());
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
    const int ran = ExecSteps(
        Dialog(),
        {
            [&] { ShowDialog(); },
            [&] { QTest::mouseClick(Dialog().windowHandle(), Qt::RightButton, {}, Background()); },
            [&] { ChooseAbout(); },
            [&] { QTRY_COMPARE(closer.result, result); },
            [&] {
              // The main window is itself again: its own keys work.
              QVERIFY(Dialog().isVisible());
              QTest::keyClick(Dialog().windowHandle(), Qt::Key_Escape);
            },
        });
    QCOMPARE(ran, 5);
    QCOMPARE(closer.opened, 1);
    QCOMPARE(closer.caption, QStringLiteral("About vantor1"));
    QVERIFY(closer.modalOverParent);
  }

  void commands16To31_openTheAboutBox_othersDoNot() {
    AboutCloser closer(Qt::Key_Escape);
    ShowDialog();
    for (int command = 16; command <= 31; ++command) {
      ui::OnSysCommand(Dialog(), command);  // returns once the box has closed
      QCOMPARE(closer.opened, command - 15);
    }
    for (int command : {0, 15, 32, 0xF010, 0xF030}) {
      ui::OnSysCommand(Dialog(), command);
      QVERIFY(Dialog().isVisible() && !Dialog().isMinimized());
    }
    QCOMPARE(closer.opened, 16);
  }

  void closeItem_endsTheDialog() {
    const int ran = ExecSteps(
        Dialog(),
        {
            [&] { ShowDialog(); },
            [&] { QTest::keyClick(Dialog().windowHandle(), Qt::Key_F10, Qt::ShiftModifier); },
            [&] {
              QMenu* menu = m_menu->OpenMenu();
              QVERIFY(menu != nullptr && QTest::qWaitForWindowExposed(menu));
              QTest::mouseClick(menu, Qt::LeftButton, {},
                                menu->actionGeometry(menu->actions().at(1)).center());
            },
            [&] { QTRY_VERIFY(!Dialog().isVisible()); },
            [&] {},
        });
    QCOMPARE(ran, 4);  // the dialog ended after the Close item
    QCOMPARE(Dialog().result(), int(QDialog::Rejected));
  }

  void aboutBox_isBuiltFromItsTemplate() {
    CAboutDlg about(&Dialog());
    const res::DialogTemplate& t = res::AboutDialogTemplate();
    const ui::BaseUnits units = about.DialogBaseUnits();
    QCOMPARE(about.windowTitle(), QStringLiteral("About vantor1"));
    QCOMPARE(about.size(), ui::MapDialogRect(0, 0, t.cx, t.cy, units).size());
    QCOMPARE(about.Controls().size(), t.controls.size());
    auto* icon = qobject_cast<QLabel*>(about.Controls()[0].widget);
    QVERIFY(icon != nullptr && !icon->pixmap().isNull());
    auto* name = qobject_cast<QLabel*>(about.Controls()[1].widget);
    QCOMPARE(name->text(), QStringLiteral("vantor1"));
    auto* line = qobject_cast<QLabel*>(about.Controls()[2].widget);
    QVERIFY(line->text().contains(QStringLiteral("1.0.0.1")));
    // Each text fits its rectangle on one line: nothing is cut off.
    for (QLabel* label : {name, line}) {
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->text()));
    }
    auto* ok = qobject_cast<QPushButton*>(about.GetDlgItem(IDOK));
    QVERIFY(ok != nullptr && ok->isDefault());
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QTimer::singleShot(0, &about, [&] {
      QVERIFY(QTest::qWaitForWindowExposed(&about));
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(WindowMenuTest)
#include "window_menu_test.moc"
