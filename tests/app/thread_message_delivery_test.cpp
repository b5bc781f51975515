// Messages posted to the program's thread reach the application object's handlers while the
// modal main dialog runs, and while a message box opened by one of them runs its own loop.
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <future>

#include "app/thread_message_pump.h"
#include "app/watch_app.h"
#include "hostlink/framing.h"
#include "hostlink/host_session.h"
#include "hostside/host_pipe.h"
#include "ui/watch_dlg.h"

namespace {

// Posts from another thread, as the host does from its own process.
bool Post(std::uint32_t message, platform::WParam wParam, platform::LParam lParam = 4096) {
  return std::async(std::launch::async, platform::PostThreadMessage, platform::CurrentThreadId(),
                    message, wParam, lParam)
      .get();
}

QString ActiveBoxText() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  return box ? box->windowTitle() + ": " + box->text() : QString();
}

// A user's script: the next step acts, in a later turn of whichever event loop runs, once an
// event finds its condition holding. After timeoutMs every modal window is closed so that exec()
// ends.
class Script : public QObject {
 public:
  std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps;
  std::size_t next = 0;

  bool Run(const std::function<void()>& body, int timeoutMs) {
    QTimer deadline;
    QObject::connect(&deadline, &QTimer::timeout, [] {
      while (QApplication::activeModalWidget() != nullptr) {
        QApplication::activeModalWidget()->close();
      }
    });
    deadline.start(timeoutMs);
    qApp->installEventFilter(this);
    body();
    qApp->removeEventFilter(this);
    return next == steps.size();
  }

 protected:
  bool eventFilter(QObject*, QEvent*) override {
    // An action may open a nested loop; do not start another from there.
    if (!acting_ && next < steps.size() && steps[next].first()) {
      acting_ = true;
      QTimer::singleShot(0, this, [this] {
        steps[next++].second();
        acting_ = false;
      });
    }
    return false;
  }

 private:
  bool acting_ = false;
};

}  // namespace

class ThreadMessageDeliveryTest : public QObject {
  Q_OBJECT

 private slots:
  // The host announces a read end and writes the user's identity: the caption changes while
  // the dialog runs. Then announcements that fail: the second is delivered inside the message
  // box of the first, whose loop is the one running then; a third like the first opens nothing.
  void postedMessages_areHandledInsideTheModalDialogAndItsMessageBoxes() {
    auto queue = platform::ThreadMessageQueue::Create();
    QVERIFY(queue != nullptr);
    ThreadMessagePump pump(*queue, [](const auto& m) { theApp.DispatchThreadMessage(m); });
    auto created = hostside::HostPipe::CreateNext(hostside::PipeEnd::ToProgram, 4096);
    QVERIFY(created.Ok());
    const std::unique_ptr<hostside::HostPipe> host = std::move(created).Take();
    const std::int32_t readIndex = host->Index();
    const auto dialog = [] { return qobject_cast<CWatchDlg*>(QApplication::activeModalWidget()); };
    QStringList boxes;
    Script script;
    script.steps = {
        {[&] { return dialog() != nullptr; },
         [&] {
           QVERIFY(Post(IpcNewPipeMessage(), static_cast<platform::WParam>(readIndex)));
           QVERIFY(host->Write(FrameArguments(0, {"Alpha\xE9"})).Ok());  // Latin-1
           QVERIFY(Post(IpcDataReadyMessage(), 0, 0));
         }},
        {[&] {
           return dialog() && dialog()->windowTitle() == QStringLiteral(u"Vantor1 - Alpha\u00E9");
         },
         [&] { QVERIFY(Post(IpcNewPipeMessage(), 0x7FFF0001)); }},  // no such read end
        {[&] { return !ActiveBoxText().isEmpty(); },
         [&] {
           boxes << ActiveBoxText();
           QVERIFY(Post(IpcNewPipeMessage(), 0x7FFF0002));  // no such write end
           // A box whose text is already up is not stacked on the next one again.
           QVERIFY(Post(IpcNewPipeMessage(), 0x7FFF0003));
         }},
        {[&] { return !ActiveBoxText().isEmpty() && ActiveBoxText() != boxes.first(); },
         [&] {
           boxes << ActiveBoxText();
           QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
         }},
        {[&] { return ActiveBoxText() == boxes.first(); },
         [&] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); }},
        {[&] { return dialog() != nullptr; }, [&] { QTest::keyClick(dialog(), Qt::Key_Escape); }},
    };
    bool returned = true;
    QVERIFY2(script.Run([&] { returned = theApp.InitInstance(); }, 10000),
             qPrintable(QStringLiteral("stuck before step %1").arg(script.next)));
    QCOMPARE(returned, false);
    QCOMPARE(boxes, QStringList({"vantor1: Error creating read-pipe",
                                 "vantor1: Error creating write-pipe"}));
    QCOMPARE(theApp.m_pWatchDlg, nullptr);
  }
};

QTEST_MAIN(ThreadMessageDeliveryTest)
#include "thread_message_delivery_test.moc"
