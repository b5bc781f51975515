// The follow list driven as a user drives it; commands are read from the host's side of the
// write end.
#include <memory>

#include "hostside/loopback.h"
#include "tests/ui/dialog_driver.h"

using Commands = std::vector<std::string>;

class FollowListTest : public QObject {
  Q_OBJECT

  std::unique_ptr<hostside::Loopback> m_link;
  std::unique_ptr<DialogDriver> m_d;

  void AddThree() {
    for (const char* name : {"one", "two", "three"}) {
      m_d->Enter(name, IDC_ADD_GNOTIFY);
    }
    Sent();
  }
  Commands Sent() { return m_link->TakeCommands(); }
  // The rows, after checking that they show the entries index by index.
  QStringList Rows() const {
    QStringList rows, entries;
    for (int i = 0; i < m_d->dialog.m_followListCtrl->GetItemCount(); ++i) {
      rows << m_d->dialog.m_followListCtrl->GetItemText(i);
    }
    for (const std::string& entry : m_d->dialog.m_state.followList) {
      entries << QString::fromStdString(entry);
    }
    return rows == entries ? rows : QStringList{"<rows differ from entries>"};
  }

 private slots:
  void init() {
    m_link = std::make_unique<hostside::Loopback>();
    QVERIFY(m_link->Opened());
    m_d = std::make_unique<DialogDriver>();
    m_d->dialog.m_pWritePipe = &m_link->writePipe;
    QVERIFY(m_d->Show());
  }
  void cleanup() {
    m_d.reset();
    m_link.reset();
  }

  // The box gives the typed text as UTF-8 bytes (the rules count bytes, not letters) and the
  // rows show the stored names; the rules themselves are tested in dialog/.
  void add_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("lower-cased") << QStringList{"Al"} << QStringList{"al"};
    QTest::newRow("one 2-byte letter") << QStringList{"é"} << QStringList{"é"};
    QTest::newRow("16 bytes of letters") << QStringList{"éééééééé"} << QStringList{};
    // Regression: a pasted NUL cut the command before its line feed, so the server would have
    // read it together with the next command.
    QTest::newRow("pasted NUL ends the name")
        << QStringList{QString("ab") + QChar(0) + "cd"} << QStringList{"ab"};
  }
  void add() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, rows);
    Commands expected;
    for (const QString& text : typed) {
      m_d->Enter(text, IDC_ADD_GNOTIFY);
      QCOMPARE(m_d->Edit()->TextBytes(), QByteArray());
    }
    for (const QString& row : rows) {
      expected.push_back("+gnotify " + row.toStdString() + "\n");
    }
    QCOMPARE(Rows(), rows);
    QCOMPARE(Sent(), expected);
  }

  void removes_data() {
    QTest::addColumn<int>("selected");  // -1: none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("sent");  // "-gnotify three\n"
    QTest::newRow("selected row") << 1 << "" << int(IDC_REMOVE) << QStringList{"one", "three"}
                                  << false;
    QTest::newRow("typed name beside another row")
        << 0 << "THREE" << int(IDC_REMOVE_GNOTIFY) << QStringList{"one", "two"} << true;
  }
  void removes() {
    QFETCH(int, selected);
    QFETCH(QString, typed);
    QFETCH(int, button);
    QFETCH(QStringList, rows);
    QFETCH(bool, sent);
    AddThree();
    ui::CFollowListCtrl* list = m_d->dialog.m_followListCtrl;
    const QString selectedName = selected >= 0 ? Rows().at(selected) : QString();
    if (selected >= 0) {
      m_d->SelectRow(selected);
    }
    m_d->Enter(typed, button);
    QCOMPARE(Rows(), rows);
    // The selection stays on its name, or goes with it: it never moves to a neighbour, where a
    // second click would remove a name the user did not choose.
    const int now = list->GetSelectedIndex();
    QCOMPARE(now >= 0 ? Rows().at(now) : QString(),
             rows.contains(selectedName) ? selectedName : "");
    QCOMPARE(Sent(), sent ? Commands{"-gnotify three\n"} : Commands());
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray());
  }

  void clearAll_emptiesTheRowsAndLeavesTheNameBox() {
    AddThree();
    m_d->Type("kept");
    m_d->Click(IDC_CLEAR_ALL);
    QCOMPARE(Rows(), QStringList());
    QCOMPARE(Sent(), Commands({"-gnotify one\n", "-gnotify two\n", "-gnotify three\n"}));
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray("kept"));
  }
};

QTEST_MAIN(FollowListTest)
#include "follow_list_test.moc"
