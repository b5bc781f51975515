// The main window as built from its template, and how its controls and keys behave.
#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <map>
#include <optional>
#include <set>

#include "tests/ui/dialog_driver.h"
#include "ui/about_dlg.h"
#include "ui/follow_list_ctrl.h"

namespace {

const QColor kGreen(236, 249, 217);

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What the template's styles ask of a control, as its widget shows it; empty when they match.
QString StyleMismatch(const res::ControlTemplate& entry, QWidget* w) {
  if (auto* button = qobject_cast<QPushButton*>(w);
      button && button->isDefault() != entry.Has(res::kDefPushButton)) {
    return "default button";
  }
  if (auto* edit = qobject_cast<ui::CNameEdit*>(w)) {
    const bool scrolls = edit->lineWrapMode() == QPlainTextEdit::NoWrap;
    if (!entry.Has(res::kMultiline) || edit->WantsReturn() != entry.Has(res::kWantReturn) ||
        scrolls != entry.Has(res::kAutoHScroll)) {
      return "edit styles";
    }
  }
  if (auto* list = qobject_cast<ui::CFollowListCtrl*>(w)) {
    const bool single = list->selectionMode() == QAbstractItemView::SingleSelection;
    const bool report = list->viewMode() == QListView::ListMode;
    if (single != entry.Has(res::kSingleSel) || report != entry.Has(res::kReport) ||
        !entry.Has(res::kNoColumnHeader)) {
      return "list-view styles";
    }
  }
  if (auto* trackbar = qobject_cast<ui::CTrackbar*>(w)) {
    const bool ticks = trackbar->tickPosition() != QSlider::NoTicks;
    if (ticks == entry.Has(res::kNoTicks) || trackbar->ValueTips() != entry.Has(res::kTooltips)) {
      return "trackbar styles";
    }
  }
  return {};
}

// The dialog's frame and every control against the template: place, visibility, text, the
// styles its behaviour depends on, and the radio groups (a group runs to the next start).
void CheckAgainstTemplate(const ui::CTemplateDialog& dialog, const res::DialogTemplate& t) {
  const ui::BaseUnits units = dialog.DialogBaseUnits();
  QCOMPARE(dialog.size(), ui::MapDialogRect(0, 0, t.cx, t.cy, units).size());
  QCOMPARE(dialog.windowTitle(), Text(t.caption));
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
      QVERIFY2(shown == Text(entry.text), where);
    }
    QVERIFY2(StyleMismatch(entry, w).isEmpty(), where + " " + StyleMismatch(entry, w).toUtf8());
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

  void controls_startAtTheOptionsStartValues() {
    const ui::CTrackbar* bars[] = {m_d->dialog.m_maxWindowsSlider, m_d->dialog.m_reservedSlider,
                                   m_d->dialog.m_minEtimeSlider};
    QStringList ranges;  // minimum, maximum, value, page size, line size
    for (const ui::CTrackbar* b : bars) {
      ranges << QString::asprintf("%d %d %d %d %d", b->minimum(), b->maximum(), b->value(),
                                  b->pageStep(), b->singleStep());
    }
    QCOMPARE(ranges, QStringList({"0 32 2 6 10", "0 0 0 1 10", "0 15 0 3 10"}));
    QVERIFY(m_d->dialog.m_reservedSlider->isHidden());
    QCOMPARE(QStringList({m_d->Text(IDC_MAX_WINDOWS_VALUE), m_d->Text(IDC_MIN_ETIME_VALUE),
                          m_d->Text(IDC_RESERVED_VALUE), m_d->Text(IDC_RESERVED_LABEL)}),
             QStringList({"2", "0", "", ""}));
    QVERIFY(m_d->Button(IDC_MODE_FOLLOW)->isChecked());
    for (int id : {IDC_MODE_ALL, IDC_MODE_NONE, IDC_NO_WILD, IDC_NO_UNRATED, IDC_NO_STANDARD,
                   IDC_MY_ETIME_ONLY, IDC_NO_INCREMENT}) {
      QVERIFY(!m_d->Button(id)->isChecked());
    }
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

  // Keys move it in the native directions without notifying; a mouse release
  // notifies, after a drag of the thumb and after a click in the channel (unlike QSlider's).
  void trackbar_keysMoveItQuietly_mouseReleasesNotify() {
    ui::CTrackbar* t = m_d->dialog.m_maxWindowsSlider;  // 0 .. 32 at 2, page 6
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
    const QPoint thumb = t->ThumbRect().center();
    QTest::mousePress(t, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(t, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 0);
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 1);
    QCOMPARE(t->value(), 0);
    const QPoint channel(t->width() - 3, t->height() / 2);
    QVERIFY(!t->ThumbRect().contains(channel));
    QTest::mouseClick(t, Qt::LeftButton, {}, channel);
    QCOMPARE(released.count(), 2);
    QCOMPARE(qtReleased.count(), 1);  // the drag's only
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
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
