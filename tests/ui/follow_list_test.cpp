// The follow list driven as a user drives it; commands are read from the host's side of the
// write end.
#include <memory>

#include "tests/ui/dialog_driver.h"
#include "tests/watcher/host_end.h"
#include "ui/follow_list_ctrl.h"

using Commands = std::vector<std::string>;

class FollowListTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testhost::HostLink> m_link;
  std::unique_ptr<DialogDriver> m_d;

  void Add(const QString& text) {
    m_d->Type(text);
    m_d->Click(IDC_ADD_GNOTIFY);
  }
  void AddThree() {
    for (const char* name : {"one", "two", "three"}) {
      Add(name);
    }
    Sent();
  }
  void SelectRow(int row) {
    ui::CFollowListCtrl* list = m_d->dialog.m_followListCtrl;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(row)).center());
  }
  Commands Sent() { return testhost::DecodeCommands(m_link->fromProgram.TakeAll()); }
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
    m_link = std::make_unique<testhost::HostLink>();
    QVERIFY(m_link->opened);
    m_d = std::make_unique<DialogDriver>();
    m_d->dialog.m_pWritePipe = &m_link->writePipe;
    QVERIFY(m_d->Show());
  }
  void cleanup() {
    m_d.reset();
    m_link.reset();
  }

  void add_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("rows");  // empty: rejected
    QTest::newRow("lower-cased") << "Al" << QStringList{"al"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one byte") << "A" << QStringList{};
    QTest::newRow("15 bytes") << "ABCDEFGHIJKLMNO" << QStringList{"abcdefghijklmno"};
    QTest::newRow("16 bytes") << "abcdefghijklmnop" << QStringList{};
    QTest::newRow("one 2-byte letter") << "é" << QStringList{"é"};
    QTest::newRow("15 bytes of letters") << "éééééééA" << QStringList{"éééééééa"};
    QTest::newRow("16 bytes of letters") << "éééééééé" << QStringList{};
    QTest::newRow("only A-Z lowered") << "ÄÉ-Zz9_" << QStringList{"ÄÉ-zz9_"};
    QTest::newRow("blanks kept") << " a b " << QStringList{" a b "};
  }
  void add() {
    QFETCH(QString, typed);
    QFETCH(QStringList, rows);
    Add(typed);
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray());
    QCOMPARE(Rows(), rows);
    Commands expected;
    for (const QString& row : rows) {
      expected.push_back("+gnotify " + row.toStdString() + "\n");
    }
    QCOMPARE(Sent(), expected);
  }

  void add_lineBreakIsPartOfTheName() {
    m_d->Type("x");
    QTest::keyClick(m_d->Edit(), Qt::Key_Return);
    Add("y");
    QCOMPARE(Sent(), Commands{"+gnotify x\ny\n"});
  }

  // Regression: a pasted NUL cut the command before its line feed, so the server would have
  // read it together with the next command.
  void add_pastedNulEndsTheName() {
    m_d->Edit()->SetTextBytes(QByteArray("ab\0cd", 5));
    m_d->Click(IDC_ADD_GNOTIFY);
    QCOMPARE(Rows(), QStringList{"ab"});
    QCOMPARE(Sent(), Commands{"+gnotify ab\n"});
  }

  void add_nameFollowedInAnotherCase_changesNothing() {
    Add("alpha");
    Sent();
    Add("ALPHA");
    QCOMPARE(Rows(), QStringList{"alpha"});
    QCOMPARE(Sent(), Commands());
  }

  void removes_selectedRowWhenNothingValidIsTyped() {
    AddThree();
    SelectRow(1);
    m_d->Click(IDC_REMOVE);
    QCOMPARE(Rows(), QStringList({"one", "three"}));
    QCOMPARE(Sent(), Commands());
    SelectRow(1);
    m_d->Type("x");  // one byte: not a name, so the selection counts
    m_d->Click(IDC_REMOVE_GNOTIFY);
    QCOMPARE(Rows(), QStringList{"one"});
    QCOMPARE(Sent(), Commands{"-gnotify three\n"});
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray());
    m_d->dialog.m_followListCtrl->clearSelection();
    m_d->Click(IDC_REMOVE_GNOTIFY);
    QCOMPARE(Rows(), QStringList{"one"});
  }

  void removes_typedNameWinsOverADifferentSelectedRow() {
    AddThree();
    SelectRow(0);
    m_d->Type("THREE");
    m_d->Click(IDC_REMOVE_GNOTIFY);
    QCOMPARE(Rows(), QStringList({"one", "two"}));
    QCOMPARE(Sent(), Commands{"-gnotify three\n"});
    m_d->Type("nobody");
    m_d->Click(IDC_REMOVE_GNOTIFY);
    QCOMPARE(Rows(), QStringList({"one", "two"}));
    QCOMPARE(Sent(), Commands());
    QCOMPARE(m_d->dialog.m_followListCtrl->GetSelectedIndex(), 0);
  }

  void remove_middleKeepsOrderAndTheNameCanReturn() {
    AddThree();
    m_d->Type("Two");
    m_d->Click(IDC_REMOVE);
    Add("two");
    QCOMPARE(Rows(), QStringList({"one", "three", "two"}));
    QCOMPARE(Sent(), Commands{"+gnotify two\n"});
  }

  void clearAll_sendsARemoveForEachNameInListOrder() {
    AddThree();
    m_d->Type("kept");
    m_d->Click(IDC_CLEAR_ALL);
    QCOMPARE(Rows(), QStringList());
    QCOMPARE(Sent(), Commands({"-gnotify one\n", "-gnotify two\n", "-gnotify three\n"}));
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray("kept"));
    m_d->Click(IDC_CLEAR_ALL);
    QCOMPARE(Sent(), Commands());
  }

  void commandsWithoutAWriteEnd_areDroppedButTheListChanges() {
    CIpcPipe unopened;
    m_d->dialog.m_pWritePipe = &unopened;
    Add("one");
    Add("two");
    m_d->Type("one");
    m_d->Click(IDC_REMOVE_GNOTIFY);
    QCOMPARE(Rows(), QStringList{"two"});
    QCOMPARE(Sent(), Commands());
  }
};

QTEST_MAIN(FollowListTest)
#include "follow_list_test.moc"
