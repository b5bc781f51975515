// The viewing options driven with real mouse and keyboard events, and the watch-state fields
// they set.
#include "tests/ui/dialog_driver.h"

namespace {

const QString kCaption = QStringLiteral("Boards reserved for follow list");

// The reserved row as the user sees it and as the state holds it.
struct ReservedRow {
  bool shown;
  int maximum, position, reservedBoards;
  QString value, caption;
  bool operator==(const ReservedRow&) const = default;
};

}  // namespace

class OptionsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<DialogDriver> m_d;

  WatchState& State() { return m_d->dialog.m_state; }
  ui::CTrackbar* MaxWindows() { return m_d->dialog.m_maxWindowsSlider; }
  ui::CTrackbar* ReservedBar() { return m_d->dialog.m_reservedSlider; }
  void SetAndRelease(ui::CTrackbar* trackbar, std::initializer_list<Qt::Key> keys) {
    m_d->Keys(trackbar, keys);
    m_d->Release(trackbar);
  }
  ReservedRow Reserved() {
    return {ReservedBar()->isVisible(),    ReservedBar()->maximum(),
            ReservedBar()->value(),        State().reservedBoards,
            m_d->Text(IDC_RESERVED_VALUE), m_d->Text(IDC_RESERVED_LABEL)};
  }

 private slots:
  void init() {
    m_d = std::make_unique<DialogDriver>();
    QVERIFY(m_d->Show());
  }
  void cleanup() { m_d.reset(); }

  void trackbars_areTakenOnMouseReleaseOnly() {
    ui::CTrackbar* minEtime = m_d->dialog.m_minEtimeSlider;
    m_d->Keys(MaxWindows(), {Qt::Key_Right, Qt::Key_Right});
    m_d->Keys(minEtime, {Qt::Key_End});
    QCOMPARE(std::make_pair(State().maxGameWindows, State().minEtime), std::make_pair(2, 0.0f));
    QCOMPARE(m_d->Text(IDC_MAX_WINDOWS_VALUE) + " " + m_d->Text(IDC_MIN_ETIME_VALUE), "2 0");
    m_d->Release(MaxWindows());
    SetAndRelease(minEtime, {Qt::Key_PageUp});  // 15 - 3
    QCOMPARE(std::make_pair(State().maxGameWindows, State().minEtime), std::make_pair(22, 12.0f));
    QCOMPARE(m_d->Text(IDC_MAX_WINDOWS_VALUE) + " " + m_d->Text(IDC_MIN_ETIME_VALUE), "22 12");
    QCOMPARE(ReservedBar()->maximum(), 22);  // also while hidden
  }

  // The mode machine itself is tested in dialog/; here the radios feed it and the reserved row
  // shows what it reports, with the trackbar clamping its position to a lowered range.
  void reservedRow_showsWhatTheRadiosAndTrackbarsReport() {
    SetAndRelease(MaxWindows(), {Qt::Key_Right, Qt::Key_Right});  // 22
    m_d->Click(IDC_MODE_ALL);
    QCOMPARE(Reserved(), (ReservedRow{true, 22, 0, 0, "0", kCaption}));
    SetAndRelease(ReservedBar(), {Qt::Key_Right});
    QCOMPARE(Reserved(), (ReservedRow{true, 22, 10, 10, "10", kCaption}));
    SetAndRelease(MaxWindows(), {Qt::Key_Home});  // 0
    QCOMPARE(Reserved(), (ReservedRow{true, 0, 0, 10, "10", kCaption}));
    m_d->Click(IDC_MODE_NONE);
    QVERIFY(m_d->Button(IDC_MODE_NONE)->isChecked());
    QCOMPARE(std::make_pair(State().allNotifyMode, State().watchNone), std::make_pair(false, true));
    QCOMPARE(Reserved(), (ReservedRow{false, 0, 0, 0, "", ""}));
    m_d->Click(IDC_MODE_FOLLOW);
    QCOMPARE(State().watchNone, false);
  }

  void checkBoxes_flipTheirFieldOnEveryClickWhateverTheMark() {
    const std::tuple<int, bool WatchState::*, bool> boxes[] = {
        {IDC_NO_WILD, &WatchState::allowWild, true},
        {IDC_NO_UNRATED, &WatchState::allowUnrated, true},
        {IDC_NO_STANDARD, &WatchState::allowStandard, true},
        {IDC_MY_ETIME_ONLY, &WatchState::myEtimeOnly, false},
        {IDC_NO_INCREMENT, &WatchState::noIncrement, false}};
    for (const auto& [id, field, start] : boxes) {
      QCOMPARE(State().*field, start);
      m_d->Click(id);
      QCOMPARE(State().*field, !start);
      m_d->Keys(m_d->Item(id), {Qt::Key_Space});
      QCOMPARE(State().*field, start);
    }
    m_d->Button(IDC_NO_WILD)->setChecked(true);
    m_d->Click(IDC_NO_WILD);
    QCOMPARE(State().allowWild, false);
  }
};

QTEST_MAIN(OptionsTest)
#include "options_test.moc"
