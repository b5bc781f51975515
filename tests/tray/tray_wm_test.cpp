// Hiding the main window on a real X server (run by run_under_wm.sh): with or without a window
// manager, with or without a notification area. TRAY_EXPECT says which way back the run's
// desktop must get: "tray" (the icon) or "tab" (the restore tab).
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "tests/tray/tray_driver.h"

namespace {

// A second client on the display, as a pager or the window manager's own button would be.
class OtherClient {
 public:
  OtherClient() : m_c(xcb_connect(nullptr, nullptr)) {}
  ~OtherClient() { xcb_disconnect(m_c); }
  bool Ok() const { return xcb_connection_has_error(m_c) == 0; }

  // Asks the window manager to iconify window, as the title bar's minimise button does.
  void Iconify(xcb_window_t window) {
    const char* name = "WM_CHANGE_STATE";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        m_c, xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    event.data.data32[0] = 3;  // IconicState
    free(atom);
    xcb_send_event(m_c, 0, xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_c);
  }
  // The top left corner of the outermost window that holds window (the window manager's
  // frame, or the window itself), on the screen.
  QPoint FramePosition(xcb_window_t window) {
    auto [parent, root] = ParentAndRoot(window);
    while (parent != root) {
      std::tie(parent, root) = ParentAndRoot(window = parent);
    }
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        m_c, xcb_translate_coordinates(m_c, window, root, 0, 0), nullptr);
    const QPoint position = at != nullptr ? QPoint(at->dst_x, at->dst_y) : QPoint(-1, -1);
    free(at);
    return position;
  }
  // True when window's parent is not the root: something (the tray) took it in.
  bool IsEmbedded(xcb_window_t window) {
    const auto [parent, root] = ParentAndRoot(window);
    return parent != root;
  }

 private:
  // Both are window itself when the server does not know it.
  std::pair<xcb_window_t, xcb_window_t> ParentAndRoot(xcb_window_t window) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, window), nullptr);
    const auto both =
        tree != nullptr ? std::pair(tree->parent, tree->root) : std::pair(window, window);
    free(tree);
    return both;
  }
  xcb_connection_t* m_c;
};

}  // namespace

class TrayWmTest : public QObject {
  Q_OBJECT

  bool m_expectTray = false;
  bool m_hasWm = false;

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

  // The window manager's minimise and the window menu's, in turn. The frame comes back where
  // it was, on the first restore after start and after a move: the restore used to put the
  // window's client area at the screen's corner, its title bar above the screen.
  void minimiseHides_pointerMoveDoesNothing_clickRestores_inPlace_repeatedly() {
    TrayDriver d;
    OtherClient x;
    QVERIFY(x.Ok());
    const auto frame = [&] { return x.FramePosition(static_cast<xcb_window_t>(d.dialog.winId())); };
    QPoint before;
    const auto minimise = [&](int i) {
      if (i == 2) {
        d.dialog.move(120, 90);
        QTRY_COMPARE_WITH_TIMEOUT(frame(), QPoint(120, 90), TrayDriver::kWaitMs);
      }
      before = frame();
      if (!m_hasWm || i % 2 == 1) {
        ui::OnSysCommand(d.dialog, ui::SC_MINIMIZE);
        return;
      }
      // A window manager may drop the request while it is still taking the window in: ask
      // again, a bounded number of times.
      OtherClient wm;
      QVERIFY(wm.Ok());
      for (int attempt = 0; attempt < 10 && d.dialog.isVisible(); ++attempt) {
        wm.Iconify(static_cast<xcb_window_t>(d.dialog.winId()));
        (void)QTest::qWaitFor([&] { return !d.dialog.isVisible(); }, 500);
      }
    };
    const auto activate = [&](int, QWindow* wayBack) {
      QCOMPARE(d.InTray(), m_expectTray);
      if (m_expectTray) {
        OtherClient other;
        QTRY_VERIFY_WITH_TIMEOUT(other.IsEmbedded(static_cast<xcb_window_t>(wayBack->winId())),
                                 TrayDriver::kWaitMs);
      }
      QTest::mouseClick(wayBack, m_expectTray ? Qt::LeftButton : Qt::RightButton, {}, {4, 4});
    };
    // A stale minimised state from the server must not hide the window again: wait for it.
    const auto restored = [&](int) { QTRY_COMPARE_WITH_TIMEOUT(frame(), before, 2000); };
    d.HideAndRestore(6, "tray_wm_test", minimise, activate, 300, restored);
  }
};

QTEST_MAIN(TrayWmTest)
#include "tray_wm_test.moc"
