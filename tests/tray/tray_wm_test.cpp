// Hiding the main window on a real X server (run by run_under_wm.sh): with or without a window
// manager, with or without a notification area. TRAY_EXPECT says which way back the run's
// desktop must get: "tray" (the icon) or "tab" (the restore tab).
#include <xcb/xcb.h>

#include <QSystemTrayIcon>
#include <cstdlib>
#include <cstring>

#include "tests/tray/tray_driver.h"
#include "ui/restore_tab.h"

using traytest::ExecSteps;

namespace {

// A second client on the display, as a pager or the window manager's own button would be.
class OtherClient {
 public:
  OtherClient() : m_c(xcb_connect(nullptr, nullptr)) {}
  ~OtherClient() { xcb_disconnect(m_c); }
  bool Ok() const { return xcb_connection_has_error(m_c) == 0; }

  // Asks the window manager to iconify window, as the title bar's minimise button does.
  void Iconify(xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("WM_CHANGE_STATE");
    event.data.data32[0] = 3;  // IconicState
    xcb_send_event(m_c, 0, Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_c);
  }
  // True when window's parent is not the root: something (the tray) took it in.
  bool IsEmbedded(xcb_window_t window) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, window), nullptr);
    const bool embedded = tree != nullptr && tree->parent != tree->root;
    free(tree);
    return embedded;
  }

 private:
  xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root; }
  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(reply);
    return atom;
  }

  xcb_connection_t* m_c;
};

// The window Qt makes for the tray icon where the tray takes embedded windows.
QWidget* TrayIconWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->inherits("QSystemTrayIconSys") && widget->isVisible()) {
      return widget;
    }
  }
  return nullptr;
}

}  // namespace

class TrayWmTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CWatchDlg> m_dialog;
  ui::CTrayHider* m_hider = nullptr;
  bool m_expectTray = false;
  bool m_hasWm = false;

  CWatchDlg& Dialog() { return *m_dialog; }
  bool WayBackShown() {
    if (m_expectTray) {
      return m_hider->TrayIcon() != nullptr && m_hider->TrayIcon()->isVisible() &&
             TrayIconWindow() != nullptr;
    }
    return m_hider->RestoreTab() != nullptr && m_hider->RestoreTab()->isVisible();
  }
  bool Hidden() { return !Dialog().isVisible() && m_hider->IsHidden() && WayBackShown(); }
  bool ShownNormally() {
    return Dialog().isVisible() && !Dialog().isMinimized() && !WayBackShown() &&
           Dialog().windowHandle()->isExposed();
  }
  void ShowDialog() {
    Dialog().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Dialog()));
  }
  void Minimise(int cycle) {
    if (m_hasWm && cycle % 2 == 0) {
      // A window manager may drop the request while it is still taking the window in: ask
      // again, a bounded number of times.
      OtherClient wm;
      QVERIFY(wm.Ok());
      for (int attempt = 0; attempt < 10 && Dialog().isVisible(); ++attempt) {
        wm.Iconify(static_cast<xcb_window_t>(Dialog().winId()));
        (void)QTest::qWaitFor([&] { return !Dialog().isVisible(); }, 500);
      }
    } else {
      ui::OnSysCommand(Dialog(), ui::SC_MINIMIZE);
    }
    QTRY_VERIFY(Hidden());
  }
  QWindow* WayBackWindow() {
    QWidget* widget = m_expectTray ? TrayIconWindow() : m_hider->RestoreTab();
    return widget != nullptr ? widget->windowHandle() : nullptr;
  }
  void CheckWayBack() {
    QVERIFY(QTest::qWaitForWindowExposed(WayBackWindow()));
    if (m_expectTray) {
      QCOMPARE(m_hider->TrayIcon()->toolTip(), QStringLiteral("tray_wm_test"));
      OtherClient other;
      QTRY_VERIFY(other.IsEmbedded(static_cast<xcb_window_t>(TrayIconWindow()->winId())));
    } else {
      QCOMPARE(m_hider->RestoreTab()->toolTip(), QStringLiteral("tray_wm_test"));
    }
  }

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
      QSKIP("needs an X server; run through run_under_wm.sh");
    }
    const QByteArray expect = qgetenv("TRAY_EXPECT");
    QVERIFY2(expect == "tray" || expect == "tab", "TRAY_EXPECT must be tray or tab");
    m_expectTray = expect == "tray";
    m_hasWm = qgetenv("TRAY_WM") == "1";
    if (m_expectTray) {
      QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    } else {
      QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    }
  }
  void init() {
    m_dialog = std::make_unique<CWatchDlg>();
    m_hider = traytest::Hider(*m_dialog);
    QVERIFY(m_hider != nullptr);
  }
  void cleanup() { m_dialog.reset(); }

  void minimiseHides_pointerMoveDoesNothing_clickRestores_repeatedly() {
    std::vector<std::function<void()>> steps{[&] { ShowDialog(); }};
    constexpr int kCycles = 6;
    for (int i = 0; i < kCycles; ++i) {
      steps.push_back([&, i] { Minimise(i); });
      steps.push_back([&] {
        CheckWayBack();
        QTest::mouseMove(WayBackWindow(), QPoint(2, 2));
        QTest::mouseMove(WayBackWindow(), QPoint(5, 4));
        QTest::qWait(50);
        QVERIFY(Hidden());
        const Qt::MouseButton button = m_expectTray ? Qt::LeftButton : Qt::RightButton;
        QTest::mouseClick(WayBackWindow(), button, {}, QPoint(4, 4));
        QTRY_VERIFY(ShownNormally());
        QTRY_VERIFY(Dialog().isActiveWindow());
        // A stale minimised state from the server must not hide the window again.
        QTest::qWait(300);
        QVERIFY(ShownNormally());
      });
    }
    steps.push_back([&] { QTest::keyClick(Dialog().windowHandle(), Qt::Key_Escape); });
    QCOMPARE(ExecSteps(Dialog(), steps), int(steps.size()));
    QCOMPARE(Dialog().result(), int(QDialog::Rejected));
  }
};

QTEST_MAIN(TrayWmTest)
#include "tray_wm_test.moc"
