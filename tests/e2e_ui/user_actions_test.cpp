// A user's actions in the real window, this process playing vantor1 (its main thread's queue,
// the application object and the window driven by real events), against hostsim in its own
// process, whose script (next to this file) sends the host's messages and checks the commands.
#include <QProcess>
#include <functional>

#include "platform/thread_id.h"
#include "tests/e2e_ui/vantor_in_process.h"

namespace {

constexpr int kHostTimeoutMs = 20000;  // hostsim's bound on each of its waits
constexpr int kWaitMs = 25000;         // ours: outlasts hostsim's, which then reports why
const QString kCaption = QStringLiteral("Vantor1 - tester");

using Games = std::vector<std::int32_t>;

}  // namespace

class UserActionsTest : public QObject {
  Q_OBJECT

  VantorInProcess m_vantor;
  std::unique_ptr<QProcess> m_host;

  WatchState& State() { return m_vantor.State(); }

  // hostsim attached to this process (its main thread's id is the process id), on a script.
  void StartHost(const char* script) {
    m_host = std::make_unique<QProcess>();
    m_host->setProcessChannelMode(QProcess::MergedChannels);
    m_host->start(
        QStringLiteral(HOSTSIM_PATH),
        {"--timeout-ms", QString::number(kHostTimeoutMs), "--attach",
         QString::number(platform::CurrentThreadId()), QStringLiteral(SCRIPT_DIR "/") + script});
  }
  bool HostRunning() const { return m_host->state() != QProcess::NotRunning; }
  // Runs the event loop until done() holds or hostsim, which would change nothing more, ended.
  bool Await(const std::function<bool()>& done) {
    (void)QTest::qWaitFor([&] { return done() || !HostRunning(); }, kWaitMs);
    return done();
  }
  // hostsim ran its script to the end with every expectation held. The loop keeps running
  // meanwhile, so that whatever it still posts is handled.
  bool HostSucceeded() {
    return Await([&] { return !HostRunning(); }) && m_host->exitStatus() == QProcess::NormalExit &&
           m_host->exitCode() == 0;
  }
  bool AwaitCaption() {
    return Await([&] { return m_vantor.window->dialog.windowTitle() == kCaption; });
  }

 private slots:
  void initTestCase() { QVERIFY(m_vantor.StartQueue()); }
  // The window wired as the application object wires the one it runs.
  void init() { QVERIFY(m_vantor.ShowWindow()); }
  void cleanup() {
    if (m_host) {
      if (HostRunning()) {
        m_host->kill();
        m_host->waitForFinished(kWaitMs);
      }
      if (QTest::currentTestFailed()) {
        qInfo("hostsim (exit %d) said:\n%s", m_host->exitCode(), m_host->readAll().constData());
      }
      m_host.reset();
    }
    m_vantor.CloseWindow();
  }

  // Regression: an add command that found no write end was lost, so the server never
  // notified that player's games. Runs first, while this process has no write end yet.
  void namesAddedBeforeTheHostAttaches_followTheHandshake() {
    QVERIFY2(!theWritePipe.IsOpen(), "must run before any host attaches");
    for (const char* name : {"Alpha", "Beta"}) {
      m_vantor.window->Enter(name, IDC_ADD_GNOTIFY);
    }
    StartHost("names_before_host.hsim");
    QVERIFY(Await([&] { return State().watchedGames == Games{301}; }));
    QVERIFY(HostSucceeded());
  }

  // Only vantor1's own count of open boards decides, against the limit, what it observes.
  void relations_countedBoardsDecideWhetherAFollowedGameIsObserved() {
    StartHost("relations.hsim");
    QVERIFY(AwaitCaption());
    for (const char* name : {"Alpha", "Beta"}) {
      m_vantor.window->Enter(name, IDC_ADD_GNOTIFY);
    }
    QVERIFY(HostSucceeded());
    QCOMPARE(State().watchedGames, Games{13});
  }
};

QTEST_MAIN(UserActionsTest)
#include "user_actions_test.moc"
