// A user's session through the real vantor1-relay: the client is a socket here, the server is
// the stand-in server here, and this process is vantor1 with its real window, which the relay
// works with (--attach). The follow list is set in the window; the server then sees vantor1's
// commands in the client's stream, and the board it confirms is counted.
#include <QTest>

#include "platform/thread_id.h"
#include "tests/e2e_ui/vantor_in_process.h"
#include "tests/relay/relay_harness.h"
#include "ui/follow_list_ctrl.h"

namespace {

constexpr int kWaitMs = 20000;

// A followed player's game; with long names the server wraps its announcement.
hostsim::GameNotice Game(int number, const std::string& followed, const std::string& other) {
  return {.game = number,
          .playerA = followed,
          .ratingA = 1812,
          .playerB = other,
          .ratingB = 1790,
          .rated = false,
          .variant = "standard",
          .minutes = 15,
          .increment = 0};
}

long Count(const std::vector<std::string>& lines, const std::string& line) {
  return std::count(lines.begin(), lines.end(), line);
}

}  // namespace

class RelaySessionTest : public QObject {
  Q_OBJECT

  VantorInProcess m_vantor;
  std::unique_ptr<relaytest::Rig> m_rig;

  WatchState& State() { return m_vantor.State(); }

  // Until done() holds: sleeps until a socket, the relay's log or this thread's queue has
  // something, then lets the sockets and vantor1's event loop take it.
  bool Await(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
      m_rig->Turn(static_cast<int>(deadline.remainingTime()), m_vantor.queue->Descriptor());
      QCoreApplication::processEvents();
    }
    return done();
  }
  bool ServerGot(const std::string& line) {
    return Await([&] { return Count(m_rig->server->Lines(), line) > 0; });
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_vantor.StartQueue());
    QVERIFY(m_vantor.ShowWindow());
  }
  void cleanup() {
    if (QTest::currentTestFailed() && m_rig && m_rig->relay) {
      qInfo("the relay said:\n%s", m_rig->relay->Log().c_str());
    }
    // The relay is killed before the client hangs up, so that it sends no quit message, which
    // would end this process.
    if (m_rig) {
      m_rig->relay.reset();
    }
    m_rig.reset();
  }

  void relaySession_followedPlayerIsObservedButNotDuringTheUsersOwnGame_data() {
    QTest::addColumn<bool>("older");
    QTest::addColumn<QString>("followed");
    QTest::addColumn<QString>("other");
    // The older server: no session-start line, no game number, and these names wrap the line.
    QTest::newRow("older") << true << "Fredericksonabc"
                           << "Maximilianusxyz";
    // The public servers' shape, with the followed name highlighted and a timed prompt.
    QTest::newRow("public") << false << "Alpha"
                            << "beta";
  }
  void relaySession_followedPlayerIsObservedButNotDuringTheUsersOwnGame() {
    QFETCH(bool, older);
    QFETCH(QString, followed);
    QFETCH(QString, other);
    const std::string name = followed.toStdString();
    const std::string observe = "observe " + followed.toLower().toStdString();
    m_rig = std::make_unique<relaytest::Rig>(
        std::vector<std::string>{"--attach", std::to_string(platform::CurrentThreadId())});
    QVERIFY(m_rig->Ok());
    standin::Server* const server = m_rig->server.get();
    server->shape = older ? standin::Shape::Older() : standin::Shape::Public();
    server->shape.highlight = server->shape.timedPrompt = !older;
    relaytest::Client* const client = m_rig->client.get();
    QVERIFY(Await([&] { return client->Received().ends_with("login: "); }));
    client->Send("Tester\nsecret\n");
    QVERIFY(Await([&] { return m_vantor.window->dialog.windowTitle() == "Vantor1 - Tester"; }));

    m_vantor.window->Enter(followed, IDC_ADD_GNOTIFY);
    QVERIFY(ServerGot("+gnotify " + followed.toLower().toStdString()));

    // During the user's own game the notification reaches the client, not vantor1.
    server->StartOwnGame(7, "opp");
    server->Notify(Game(101, name, other.toStdString()));
    QVERIFY(Await([&] { return client->Received().find("notification:") != std::string::npos; }));
    server->EndGame(7);

    // After it, vantor1 observes; its command waits for the end of the line being typed.
    client->Send("tell opp hel");
    server->Notify(Game(102, name, other.toStdString()));
    QVERIFY(Await([&] { return State().claimedBoards == 1; }));
    client->Send("lo\n");
    QVERIFY(ServerGot(observe));
    const std::vector<std::string> sent = server->Lines();
    const auto typed = std::find(sent.begin(), sent.end(), "tell opp hello");
    QVERIFY2(typed < std::find(sent.begin(), sent.end(), observe),
             "the command went out before the line being typed");
    QVERIFY(Await([&] { return State().watchedGames == std::vector<std::int32_t>{102}; }));
    // The relay gives the confirmation to vantor1 and to the client; either may be read first.
    QVERIFY(Await([&] {
      return client->Received().find("You are now observing game 102.") != std::string::npos;
    }));
    const std::vector<std::string> lines = server->Lines();
    QCOMPARE(Count(lines, "tell opp hello"), 1);
    QCOMPARE(Count(lines, observe), 1);  // none for the game during the user's own
    server->EndGame(102);
    QVERIFY(Await([&] { return State().watchedGames.empty() && State().watchedCount == 0; }));
  }

  // The user adds names in one session, quits, comes back through the relay under the same
  // login, and finds them in the list with no typing: vantor1 reads them back from the server.
  void relaySession_namesAddedInOneSessionComeBackInTheNext() {
    m_vantor.CloseWindow();  // a vantor1 that starts with this session
    QVERIFY(m_vantor.ShowWindow());
    m_rig = std::make_unique<relaytest::Rig>(
        std::vector<std::string>{"--attach", std::to_string(platform::CurrentThreadId())});
    QVERIFY(m_rig->Ok());
    QVERIFY(LogIn());
    QVERIFY(ServerGot("=gnotify"));
    for (const char* name : {"Kestrel", "alpha", "Zugzwang"}) {
      m_vantor.window->Enter(name, IDC_ADD_GNOTIFY);
    }
    QVERIFY(ServerGot("+gnotify zugzwang"));

    // A new vantor1 with the new session, its list empty.
    m_vantor.CloseWindow();
    QVERIFY(m_vantor.ShowWindow());
    m_rig->NewSession();
    QVERIFY(m_rig->Ok());
    QVERIFY(LogIn());
    const std::vector<std::string> expected{"alpha", "kestrel", "zugzwang"};  // the server's order
    QVERIFY(Await([&] { return State().followList == expected; }));
    ui::CFollowListCtrl* const rows = m_vantor.window->dialog.m_followListCtrl;
    QCOMPARE(rows->GetItemCount(), 3);
    QCOMPARE(rows->GetItemText(2), "zugzwang");
    QCOMPARE(m_vantor.window->Text(IDC_STATUS), "follow list: 3 names from the server");
    QCOMPARE(Count(m_rig->server->Lines(), "=gnotify"), 1);
    for (const std::string& line : m_rig->server->Lines()) {
      QVERIFY2(!line.starts_with("+gnotify"), line.c_str());  // the server has them
    }
    // The answer reaches the user's client too, as every reply does; either may be read first.
    QVERIFY(Await([&] {
      return m_rig->client->Received().find("-- gnotify list: 3 names --") != std::string::npos;
    }));
  }

 private:
  bool LogIn() {
    relaytest::Client* const client = m_rig->client.get();
    if (!Await([&] { return client->Received().ends_with("login: "); })) {
      return false;
    }
    client->Send("Tester\nsecret\n");
    return Await([&] { return !State().myName.empty(); });
  }
};

QTEST_MAIN(RelaySessionTest)
#include "relay_session_test.moc"
