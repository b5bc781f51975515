// A user's session through the real vantor1-relay: the client is a socket here, the server is
// the stand-in server here, and this process is vantor1 with its real window, which the relay
// works with (--attach). The follow list is set in the window; the server then sees vantor1's
// commands in the client's stream, and the board it confirms is counted.
#include <QTest>
#include <functional>
#include <memory>

#include "platform/thread_id.h"
#include "tests/e2e_ui/vantor_in_process.h"
#include "tests/relay/relay_harness.h"

namespace {

constexpr int kWaitMs = 20000;

hostsim::GameNotice AlphaGame(int number) {
  hostsim::GameNotice game;
  game.game = number;
  game.playerA = "Alpha";
  game.ratingA = 1812;
  game.playerB = "beta";
  game.ratingB = 1790;
  return game;
}

long Count(const std::vector<std::string>& lines, const std::string& line) {
  return std::count(lines.begin(), lines.end(), line);
}

}  // namespace

class RelaySessionTest : public QObject {
  Q_OBJECT

  VantorInProcess m_vantor;
  std::unique_ptr<standin::Server> m_server;
  std::unique_ptr<relaytest::RelayProcess> m_relay;
  std::unique_ptr<relaytest::Client> m_client;

  WatchState& State() { return m_vantor.State(); }

  // Until done() holds: sleeps until a socket, the relay's log or this thread's queue has
  // something, then lets the sockets and vantor1's event loop take it.
  bool Await(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    relaytest::Session session{*m_server, *m_relay, *m_client};
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
      session.Turn(static_cast<int>(deadline.remainingTime()), m_vantor.queue->Descriptor());
      QCoreApplication::processEvents();
    }
    return done();
  }
  bool ServerGot(const std::string& line) {
    return Await([&] { return Count(m_server->Lines(), line) > 0; });
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_vantor.StartQueue());
    QVERIFY(m_vantor.ShowWindow());
  }
  void cleanup() {
    if (QTest::currentTestFailed() && m_relay) {
      qInfo("the relay said:\n%s", m_relay->Log().c_str());
    }
    m_relay.reset();  // killed: no quit message, which would end this process
  }

  void relaySession_followedPlayerIsObservedButNotDuringTheUsersOwnGame() {
    std::string error;
    m_server = standin::Server::Listen(error);
    QVERIFY(m_server != nullptr);
    m_relay =
        relaytest::RelayProcess::Start({"--attach", std::to_string(platform::CurrentThreadId()),
                                        "127.0.0.1:" + std::to_string(m_server->Port())});
    QVERIFY(m_relay != nullptr);
    m_client = std::make_unique<relaytest::Client>(m_relay->Port());
    QVERIFY(Await([&] { return m_client->Received().ends_with("login: "); }));
    m_client->Send("Tester\n");
    QVERIFY(Await([&] { return m_vantor.window->dialog.windowTitle() == "Vantor1 - Tester"; }));

    m_vantor.window->Enter("Alpha", IDC_ADD_GNOTIFY);
    QVERIFY(ServerGot("+gnotify alpha"));

    // During the user's own game the notification reaches the client, not vantor1.
    m_server->StartOwnGame(7, "opp");
    m_server->Notify(AlphaGame(101));
    QVERIFY(Await([&] { return m_client->Received().find(": 101\n") != std::string::npos; }));
    m_server->EndGame(7);

    // After it, vantor1 observes; its command waits for the end of the line being typed.
    m_client->Send("tell opp hel");
    m_server->Notify(AlphaGame(102));
    QVERIFY(Await([&] { return State().claimedBoards == 1; }));
    QVERIFY(!Await([&] { return Count(m_server->Lines(), "observe alpha") > 0; }, 100));
    m_client->Send("lo\n");
    QVERIFY(ServerGot("observe alpha"));
    QVERIFY(Await([&] { return State().watchedGames == std::vector<std::int32_t>{102}; }));
    QVERIFY(m_client->Received().find("You are now observing game 102.") != std::string::npos);
    const std::vector<std::string> lines = m_server->Lines();
    QCOMPARE(Count(lines, "tell opp hello"), 1);
    QCOMPARE(Count(lines, "observe alpha"), 1);  // none for the game during the user's own
  }
};

QTEST_MAIN(RelaySessionTest)
#include "relay_session_test.moc"
