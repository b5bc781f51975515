// The follow list driven as a user drives it; commands are read from the host's side of the
// write end.
#include <memory>

#include "tests/support/loopback.h"
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

  // The box gives the typed text as UTF-8 bytes (the rules count bytes, not letters), empties,
  // and the rows show the stored names; the rules themselves are tested in dialog/. A pasted
  // NUL cut the command before its line feed, so the server would have read it together with
  // the next command.
  void add_sendsTheTypedBytesAndShowsTheStoredName() {
    const QString typed[] = {"Al", "é", "éééééééé" /* 16 bytes */, QString("ab") + QChar(0) + "cd"};
    for (const QString& text : typed) {
      m_d->Enter(text, IDC_ADD_GNOTIFY);
      QCOMPARE(m_d->Edit()->TextBytes(), QByteArray());
    }
    QCOMPARE(Rows(), QStringList({"al", "é", "ab"}));
    QCOMPARE(Sent(), Commands({"+gnotify al\n", "+gnotify \xC3\xA9\n", "+gnotify ab\n"}));
  }

  // Regression: the line break that Enter leaves in the box made the name invalid, and the
  // click on Add/gnot did nothing. Return and the keypad's Enter, with a blank typed before.
  void add_afterEnterInTheNameBox_addsTheName() {
    m_d->Type(" KingWalk\n");
    QTest::keyClick(m_d->Edit(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(m_d->dialog.isVisible());
    m_d->Click(IDC_ADD_GNOTIFY);
    QCOMPARE(Rows(), QStringList({"kingwalk"}));
    QCOMPARE(Sent(), Commands({"+gnotify kingwalk\n"}));
  }

  // The selection stays on its name, or goes with it: it never moves to a neighbour, where a
  // second click would remove a name the user did not choose.
  void remove_takesTheTypedNameElseTheSelectedRow_andTheSelectionNeverMoves() {
    AddThree();
    m_d->SelectRow(1);
    m_d->Click(IDC_REMOVE);
    QCOMPARE(Rows(), QStringList({"one", "three"}));
    QCOMPARE(m_d->dialog.m_followListCtrl->GetSelectedIndex(), -1);
    m_d->SelectRow(1);
    m_d->Enter("ONE", IDC_REMOVE_GNOTIFY);  // the typed name, not the selected row
    QCOMPARE(Rows(), QStringList({"three"}));
    QCOMPARE(m_d->dialog.m_followListCtrl->GetSelectedIndex(), 0);
    QCOMPARE(Sent(), Commands{"-gnotify one\n"});
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
