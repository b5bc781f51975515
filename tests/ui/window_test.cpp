// The main window as built from its template, and how its controls and keys behave.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include "tests/ui/dialog_driver.h"
#include "ui/follow_list_ctrl.h"

namespace {

const QColor kGreen(236, 249, 217);

// The widget class each template class and style is built as.
const char* ExpectedClass(const res::ControlTemplate& e) {
  using enum res::ControlClass;
  return e.cls == Static             ? "QLabel"
         : e.cls == Edit             ? "ui::CNameEdit"
         : e.cls == ListView         ? "ui::CFollowListCtrl"
         : e.cls == Trackbar         ? "ui::CTrackbar"
         : e.Has(res::kAutoRadio)    ? "QRadioButton"
         : e.Has(res::kAutoCheckBox) ? "QCheckBox"
         : e.Has(res::kGroupBox)     ? "QGroupBox"
                                     : "QPushButton";
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControl_matchesItsTemplateEntry() {
    DialogDriver d;
    QVERIFY(d.Show());
    const res::DialogTemplate& t = res::WatchDialogTemplate();
    const ui::BaseUnits units = d.dialog.DialogBaseUnits();
    if (QFontInfo(d.dialog.font()).family() == QStringLiteral("DejaVu Sans Condensed")) {
      QCOMPARE(units.x, 6);
      QCOMPARE(units.y, 13);
    }
    QCOMPARE(d.dialog.size(), ui::MapDialogRect(0, 0, t.cx, t.cy, units).size());
    QCOMPARE(d.dialog.windowTitle(), QStringLiteral("Vantor1"));
    QVERIFY(d.dialog.windowIcon().availableSizes().contains(QSize(16, 16)));
    QCOMPARE(d.dialog.Controls().size(), t.controls.size());
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
      const res::ControlTemplate& entry = t.controls[i];
      QWidget* w = d.dialog.Controls()[i].widget;
      const QByteArray where = QByteArray::number(entry.id) + " at " + QByteArray::number(i);
      QVERIFY2(w->property(ui::kControlIdProperty).toInt() == entry.id, where);
      QVERIFY2(w->inherits(ExpectedClass(entry)), where);
      QVERIFY2(w->geometry() == ui::MapDialogRect(entry, units), where);
      QVERIFY2(w->isVisible() == entry.Has(res::kVisible), where);
      auto* box = qobject_cast<QGroupBox*>(w);
      auto* label = qobject_cast<QLabel*>(w);
      auto* button = qobject_cast<QAbstractButton*>(w);
      const QString shown = box      ? box->title()
                            : label  ? label->text()
                            : button ? button->text()
                                     : QString();
      if (box || label || button) {
        QVERIFY2(shown == QString::fromUtf8(entry.text.data(), entry.text.size()), where);
      }
    }
  }

  void controls_startAtTheOptionsStartValues() {
    DialogDriver d;
    const int expected[3][4] = {{0, 32, 2, 6}, {0, 0, 0, 1}, {0, 15, 0, 3}};
    const ui::CTrackbar* bars[] = {d.dialog.m_maxWindowsSlider, d.dialog.m_reservedSlider,
                                   d.dialog.m_minEtimeSlider};
    for (int i = 0; i < 3; ++i) {
      const int actual[4] = {bars[i]->minimum(), bars[i]->maximum(), bars[i]->value(),
                             bars[i]->pageStep()};
      QVERIFY(std::equal(actual, actual + 4, expected[i]));
      QCOMPARE(bars[i]->singleStep(), 10);
    }
    QVERIFY(d.dialog.m_reservedSlider->isHidden());
    QCOMPARE(QStringList({d.Text(IDC_MAX_WINDOWS_VALUE), d.Text(IDC_MIN_ETIME_VALUE),
                          d.Text(IDC_RESERVED_VALUE), d.Text(IDC_RESERVED_LABEL)}),
             QStringList({"2", "0", "", ""}));
    QVERIFY(d.dialog.m_followRadio->isChecked());
    for (int id : {IDC_MODE_ALL, IDC_MODE_NONE, IDC_NO_WILD, IDC_NO_UNRATED, IDC_NO_STANDARD,
                   IDC_MY_ETIME_ONLY, IDC_NO_INCREMENT}) {
      QVERIFY(!d.Button(id)->isChecked());
    }
    ui::CFollowListCtrl* list = d.dialog.m_followListCtrl;
    QCOMPARE(list->columnCount(), 1);
    QVERIFY(list->header()->isHidden());
    QCOMPARE(list->columnWidth(0), 120);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(d.dialog.m_maxWindowsSlider->accessibleName(), QStringLiteral("Max game windows"));
    QCOMPARE(d.dialog.m_minEtimeSlider->accessibleName(), QStringLiteral("Minimum etime"));
  }

  void background_isGreenEverywhereButTheNameBox() {
    DialogDriver d;
    QVERIFY(d.Show());
    for (const ui::BuiltControl& c : d.dialog.Controls()) {
      QCOMPARE(c.widget->palette().color(QPalette::Window) == kGreen, c.entry->id != IDC_NAME_EDIT);
    }
    const QImage image = d.dialog.grab().toImage();
    QCOMPARE(image.pixelColor(3, 3), kGreen);
    QCOMPARE(image.pixelColor(d.Item(IDC_NO_WILD)->geometry().topRight() + QPoint(-1, 1)), kGreen);
    QVERIFY(image.pixelColor(d.Item(IDC_NAME_EDIT)->geometry().center()) != kGreen);
  }

  void tab_visitsTheVisibleTabStopsInTemplateOrder() {
    DialogDriver d;
    QVERIFY(d.Show());
    QList<QWidget*> expected, visited;
    for (const ui::BuiltControl& c : d.dialog.Controls()) {
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

  void trackbarKeys_moveByLineAndPageInTheTemplatePlatformsDirections() {
    DialogDriver d;
    QVERIFY(d.Show());
    ui::CTrackbar* t = d.dialog.m_maxWindowsSlider;  // 0 .. 32 at 2, page 6
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Right, 12}, {Qt::Key_Down, 22},     {Qt::Key_Down, 32},   {Qt::Key_Left, 22},
        {Qt::Key_Up, 12},    {Qt::Key_PageDown, 18}, {Qt::Key_PageUp, 12}, {Qt::Key_Home, 0},
        {Qt::Key_Up, 0},     {Qt::Key_End, 32}};
    QSignalSpy released(t, &ui::CTrackbar::released);
    for (const auto& [key, value] : steps) {
      d.Keys(t, {key});
      QCOMPARE(t->value(), value);
    }
    QCOMPARE(released.count(), 0);
  }

  void trackbarMouse_reportsAReleaseForThumbAndChannel() {
    DialogDriver d;
    QVERIFY(d.Show());
    ui::CTrackbar* t = d.dialog.m_maxWindowsSlider;
    QSignalSpy released(t, &ui::CTrackbar::released);
    QSignalSpy qtReleased(t, &QSlider::sliderReleased);
    const QPoint channel(t->width() - 3, t->height() / 2);
    QVERIFY(!t->ThumbRect().contains(channel));
    QTest::mouseClick(t, Qt::LeftButton, {}, channel);
    QCOMPARE(released.count(), 1);
    QCOMPARE(qtReleased.count(), 0);  // the reason for the subclass
    const QPoint thumb = t->ThumbRect().center();
    QTest::mousePress(t, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(t, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 1);
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(1, thumb.y()));
    QCOMPARE(released.count(), 2);
    QCOMPARE(t->value(), 0);
  }

  void checkBoxesAndRadios_takeClicksAnywhereEvenInsideGroupBoxes() {
    DialogDriver d;
    QVERIFY(d.Show());
    for (int id : {IDC_NO_WILD, IDC_NO_STANDARD, IDC_MODE_NONE, IDC_MODE_FOLLOW}) {
      QAbstractButton* b = d.Button(id);
      // Near the bottom right corner: beyond the text, inside a group box's rectangle, and
      // clear of the one-pixel overlap between "none" and "follow list".
      const QPoint corner(b->width() - 1, b->height() - 2);
      QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) + 16 < corner.x());
      QCOMPARE(d.dialog.childAt(b->mapTo(&d.dialog, corner)), b);
      QSignalSpy clicked(b, &QAbstractButton::clicked);
      QTest::mouseClick(b, Qt::LeftButton, {}, corner);
      QCOMPARE(clicked.count(), 1);
      QVERIFY(b->isChecked());
    }
    QVERIFY(!d.Button(IDC_MODE_NONE)->isChecked());  // the radios are one group
  }

  void keys_endTheDialogUnlessTheFocusTakesThem_data() {
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
  }
  void keys_endTheDialogUnlessTheFocusTakesThem() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(QString, outcome);
    DialogDriver d;
    QVERIFY(d.Show());
    QSignalSpy accepted(&d.dialog, &QDialog::accepted);
    QSignalSpy rejected(&d.dialog, &QDialog::rejected);
    QSignalSpy clicked(d.Item(IDC_CLEAR_ALL), SIGNAL(clicked()));
    d.Keys(d.Item(id), {Qt::Key(key)});
    QCOMPARE(accepted.count(), outcome == "accepted" ? 1 : 0);
    QCOMPARE(rejected.count(), outcome == "rejected" ? 1 : 0);
    QCOMPARE(clicked.count(), outcome == "clicked" ? 1 : 0);
    QCOMPARE(d.Edit()->TextBytes(), QByteArray(outcome == "line break" ? "\n" : ""));
    QCOMPARE(d.dialog.isVisible(), outcome == "clicked" || outcome == "line break");
  }

  void closeButton_endsTheDialog() {
    DialogDriver d;
    QVERIFY(d.Show());
    QSignalSpy rejected(&d.dialog, &QDialog::rejected);
    QVERIFY(d.dialog.close());
    QCOMPARE(rejected.count(), 1);
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
