// The main window as built from its template, and how its controls and keys behave.
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <map>
#include <optional>
#include <set>

#include "tests/support/loopback.h"
#include "tests/ui/dialog_driver.h"
#include "ui/about_dlg.h"
#include "ui/tray_hider.h"

namespace {

const QColor kGreen(236, 249, 217);
const QString kCaption = QStringLiteral("Boards reserved for follow list");

// The reserved row as the user sees it and as the state holds it.
struct ReservedRow {
  bool shown;
  int maximum, position, reservedBoards;
  QString value, caption;
  bool operator==(const ReservedRow&) const = default;
};

// The dialog's frame and every control against the template: place, visibility, text and the
// radio groups (a group runs to the next start). What the styles do is tested by using them.
void CheckAgainstTemplate(const ui::CTemplateDialog& dialog, const res::DialogTemplate& t) {
  const ui::BaseUnits units = dialog.DialogBaseUnits();
  QCOMPARE(dialog.size(), ui::MapDialogRect(0, 0, t.cx, t.cy, units).size());
  QCOMPARE(dialog.windowTitle(), QString::fromUtf8(t.caption));
  QCOMPARE(dialog.windowType(), t.Has(res::kAppWindow) ? Qt::Window : Qt::Dialog);
  QCOMPARE(bool(dialog.windowFlags() & Qt::WindowMinimizeButtonHint), t.Has(res::kMinimizeBox));
  QCOMPARE(bool(dialog.windowFlags() & Qt::WindowMaximizeButtonHint), t.Has(res::kMaximizeBox));
  QCOMPARE(dialog.Controls().size(), t.controls.size());
  std::map<QButtonGroup*, int> groupOf;  // each button group and its group number
  std::set<int> withRadios;
  int group = 0;
  for (std::size_t i = 0; i < t.controls.size(); ++i) {
    const res::ControlTemplate& entry = t.controls[i];
    QWidget* w = dialog.Controls()[i].widget;
    const QByteArray where = QByteArray::number(entry.id) + " at " + QByteArray::number(i);
    QVERIFY2(w->property(ui::kControlIdProperty).toInt() == entry.id, where);
    QVERIFY2(w->geometry() == ui::MapDialogRect(entry, units), where);
    QVERIFY2(w->isHidden() != entry.Has(res::kVisible), where);
    const QVariant shown = w->property(qobject_cast<QGroupBox*>(w) ? "title" : "text");
    if (shown.isValid()) {
      QVERIFY2(shown == QString::fromUtf8(entry.text), where);
    }
    group += entry.Has(res::kGroup) ? 1 : 0;
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      withRadios.insert(group);
      QButtonGroup* buttons = radio->group();
      QVERIFY2(buttons && groupOf.try_emplace(buttons, group).first->second == group, where);
    }
  }
  QCOMPARE(groupOf.size(), withRadios.size());
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::optional<DialogDriver> m_d;

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
    m_d.emplace();
    QVERIFY(m_d->Show());
  }
  void cleanup() { m_d.reset(); }

  void bothDialogs_areBuiltAsTheirTemplatesSay() {
    const ui::BaseUnits units = m_d->dialog.DialogBaseUnits();
    if (QFontInfo(m_d->dialog.font()).family() == QStringLiteral("DejaVu Sans Condensed")) {
      QCOMPARE(units.x, 6);
      QCOMPARE(units.y, 13);
    }
    QVERIFY(m_d->dialog.windowIcon().availableSizes().contains(QSize(16, 16)));
    CheckAgainstTemplate(m_d->dialog, res::WatchDialogTemplate());
    CAboutDlg about(&m_d->dialog);
    CheckAgainstTemplate(about, res::AboutDialogTemplate());
  }

  // Without a host the line waits; with one it shows the boards, each decision for a while and
  // then the boards again (the limit as changed meanwhile). The tray's tooltip says the same.
  // The line lies in free space: it covers no other control.
  void statusLine_waitsThenShowsTheBoardsAndEachDecisionForAWhile() {
    QWidget* line = m_d->Item(IDC_STATUS);
    for (const ui::BuiltControl& c : m_d->dialog.Controls()) {
      QVERIFY(c.widget == line || !c.widget->geometry().intersects(line->geometry()));
    }
    QCOMPARE(m_d->Text(IDC_STATUS), "Waiting for the chess client (see vantor1 --help)");
    hostside::Loopback link;
    QVERIFY(link.Opened());
    m_d->dialog.m_pWritePipe = &link.writePipe;
    State().SetMyName("tester");
    m_d->dialog.RefreshStatus();
    const QString boards = QString::fromUtf8("tester \u00B7 0 of %1 boards");
    QCOMPARE(m_d->Text(IDC_STATUS), boards.arg(2));
    State().lastDecision = Decision{Decision::Kind::Observed, Decision::Reason::None, "alpha", 42};
    m_d->dialog.RefreshStatus();
    QVERIFY(!State().lastDecision);
    SetAndRelease(MaxWindows(), {Qt::Key_Right});  // 12
    QCOMPARE(m_d->Text(IDC_STATUS), "observing alpha (game 42)");
    QTRY_COMPARE_WITH_TIMEOUT(m_d->Text(IDC_STATUS), boards.arg(12),
                              dialog::kNoteMilliseconds + 5000);
    QCOMPARE(m_d->dialog.findChild<ui::CTrayHider*>()->Tooltip(),
             ui::TrayTooltip(ui::AppName() + ": " + boards.arg(12)));
    m_d->dialog.m_pWritePipe = nullptr;
  }

  void background_isGreenEverywhereButTheNameBox() {
    for (const ui::BuiltControl& c : m_d->dialog.Controls()) {
      QCOMPARE(c.widget->palette().color(QPalette::Window) == kGreen, c.entry->id != IDC_NAME_EDIT);
    }
    const QImage image = m_d->dialog.grab().toImage();
    QCOMPARE(image.pixelColor(3, 3), kGreen);
    QCOMPARE(image.pixelColor(m_d->Item(IDC_NO_WILD)->geometry().topRight() + QPoint(-1, 1)),
             kGreen);
    QVERIFY(image.pixelColor(m_d->Item(IDC_NAME_EDIT)->geometry().center()) != kGreen);
  }

  void tab_visitsTheVisibleTabStopsInTemplateOrder() {
    QList<QWidget*> expected, visited;
    for (const ui::BuiltControl& c : m_d->dialog.Controls()) {
      if (c.entry->Has(res::kTabStop) && c.entry->Has(res::kVisible)) {
        expected << c.widget;
      }
    }
    expected.first()->setFocus();
    for (int i = 0; i <= expected.size(); ++i) {
      visited << QApplication::focusWidget();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, expected + QList<QWidget*>{expected.first()});
  }

  // Keys move it in the native directions without notifying, so the state and the label keep
  // their value; a mouse release notifies, after a drag of the thumb and after a click in the
  // channel (unlike QSlider's), and the state, the label and the reserved range follow it.
  void trackbar_keysMoveItQuietly_mouseReleasesNotify() {
    ui::CTrackbar* t = MaxWindows();  // 0 .. 32 at 2, page 6
    QSignalSpy released(t, &ui::CTrackbar::released);
    QSignalSpy qtReleased(t, &QSlider::sliderReleased);
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Right, 12}, {Qt::Key_Down, 22},     {Qt::Key_Down, 32},   {Qt::Key_Left, 22},
        {Qt::Key_Up, 12},    {Qt::Key_PageDown, 18}, {Qt::Key_PageUp, 12}, {Qt::Key_Home, 0},
        {Qt::Key_Up, 0},     {Qt::Key_End, 32}};
    for (const auto& [key, value] : steps) {
      m_d->Keys(t, {key});
      QCOMPARE(t->value(), value);
    }
    QCOMPARE(released.count(), 0);
    QCOMPARE(std::make_pair(State().maxGameWindows, m_d->Text(IDC_MAX_WINDOWS_VALUE)),
             std::make_pair(2, QString("2")));
    const QPoint thumb = t->ThumbRect().center();
    QTest::mousePress(t, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(t, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 0);
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 1);
    QCOMPARE(std::make_pair(State().maxGameWindows, m_d->Text(IDC_MAX_WINDOWS_VALUE)),
             std::make_pair(0, QString("0")));
    const QPoint channel(t->width() - 3, t->height() / 2);
    QVERIFY(!t->ThumbRect().contains(channel));
    QTest::mouseClick(t, Qt::LeftButton, {}, channel);
    QCOMPARE(released.count(), 2);
    QCOMPARE(qtReleased.count(), 1);  // the drag's only
    QVERIFY(t->value() > 0);
    QCOMPARE(State().maxGameWindows, t->value());
    QCOMPARE(ReservedBar()->maximum(), t->value());  // also while hidden
    SetAndRelease(m_d->dialog.m_minEtimeSlider, {Qt::Key_End, Qt::Key_PageUp});  // 15 - 3
    QCOMPARE(std::make_pair(State().minEtime, m_d->Text(IDC_MIN_ETIME_VALUE)),
             std::make_pair(12.0f, QString("12")));
  }

  void checkBoxesAndRadios_takeClicksAnywhereEvenInsideGroupBoxes() {
    for (int id : {IDC_NO_WILD, IDC_NO_STANDARD, IDC_MODE_NONE, IDC_MODE_FOLLOW}) {
      QAbstractButton* b = m_d->Button(id);
      // Near the bottom right corner: beyond the text, inside a group box's rectangle, and
      // clear of the one-pixel overlap between "none" and "follow list".
      const QPoint corner(b->width() - 1, b->height() - 2);
      QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) + 16 < corner.x());
      QCOMPARE(m_d->dialog.childAt(b->mapTo(&m_d->dialog, corner)), b);
      QSignalSpy clicked(b, &QAbstractButton::clicked);
      QTest::mouseClick(b, Qt::LeftButton, {}, corner);
      QCOMPARE(clicked.count(), 1);
      QVERIFY(b->isChecked());
    }
    QVERIFY(!m_d->Button(IDC_MODE_NONE)->isChecked());  // the radios are one group
  }

  void keysAndCloseButton_endTheDialogUnlessTheFocusTakesThem_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("outcome");
    for (int id :
         {IDC_NAME_EDIT, IDC_FOLLOW_LIST, IDC_MAX_WINDOWS_SLIDER, IDC_ADD_GNOTIFY, IDC_NO_WILD}) {
      QTest::addRow("Esc on %d", id) << id << int(Qt::Key_Escape) << "rejected";
    }
    QTest::addRow("Enter on a trackbar")
        << IDC_MIN_ETIME_SLIDER << int(Qt::Key_Return) << "accepted";
    QTest::addRow("Enter on a check box") << IDC_NO_INCREMENT << int(Qt::Key_Return) << "accepted";
    QTest::addRow("Enter on a push button") << IDC_CLEAR_ALL << int(Qt::Key_Return) << "clicked";
    QTest::addRow("Enter in the name box") << IDC_NAME_EDIT << int(Qt::Key_Return) << "line break";
    QTest::addRow("the close button") << IDC_NAME_EDIT << 0 << "rejected";
  }
  void keysAndCloseButton_endTheDialogUnlessTheFocusTakesThem() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(QString, outcome);
    QSignalSpy accepted(&m_d->dialog, &QDialog::accepted);
    QSignalSpy rejected(&m_d->dialog, &QDialog::rejected);
    QSignalSpy clicked(m_d->Item(IDC_CLEAR_ALL), SIGNAL(clicked()));
    key != 0 ? m_d->Keys(m_d->Item(id), {Qt::Key(key)}) : (void)m_d->dialog.close();
    QCOMPARE(accepted.count(), outcome == "accepted" ? 1 : 0);
    QCOMPARE(rejected.count(), outcome == "rejected" ? 1 : 0);
    QCOMPARE(clicked.count(), outcome == "clicked" ? 1 : 0);
    QCOMPARE(m_d->Edit()->TextBytes(), QByteArray(outcome == "line break" ? "\n" : ""));
    QCOMPARE(m_d->dialog.isVisible(), outcome == "clicked" || outcome == "line break");
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

QTEST_MAIN(WindowTest)
#include "window_test.moc"
