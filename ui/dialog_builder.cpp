#include "ui/dialog_builder.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "res/app_icon.h"
#include "ui/buttons.h"
#include "ui/dialog_style.h"
#include "ui/follow_list_ctrl.h"
#include "ui/name_edit.h"
#include "ui/trackbar.h"

namespace ui {
namespace {

using res::ControlClass;
using res::ControlTemplate;

QString Text(const ControlTemplate& entry) {
  return QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
}

QWidget* MakeButton(const ControlTemplate& entry, QWidget& parent) {
  if (entry.Has(res::kAutoRadio)) {
    auto* radio = new CRadioButton(Text(entry), &parent);
    radio->setStyle(CDialogStyle::Instance());
    return radio;
  }
  if (entry.Has(res::kAutoCheckBox)) {
    auto* box = new CCheckBox(Text(entry), &parent);
    box->setStyle(CDialogStyle::Instance());
    return box;
  }
  if (entry.Has(res::kGroupBox)) {
    return new CGroupBox(Text(entry), &parent);
  }
  auto* button = new QPushButton(Text(entry), &parent);
  // Only a template's default button looks and acts as the default; Enter on any other focused
  // push button reaches the dialog, which clicks it.
  button->setAutoDefault(false);
  button->setDefault(entry.Has(res::kDefPushButton));
  return button;
}

QWidget* MakeStatic(const ControlTemplate& entry, QWidget& parent) {
  auto* label = new QLabel(&parent);
  if (entry.Has(res::kIconImage)) {
    label->setPixmap(res::LoadIconResource(entry.resourceId).pixmap(32, 32));
    return label;
  }
  label->setTextFormat(Qt::PlainText);
  label->setText(Text(entry));
  // Text starts at the control's very edge, as native dialogs draw it.
  label->setMargin(0);
  label->setIndent(0);
  Qt::Alignment align = entry.Has(res::kTextCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
  align |= entry.Has(res::kCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
  label->setAlignment(align);
  label->setWordWrap(entry.Has(res::kTextLeft));
  // Statics let clicks through to whatever lies beneath them.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QWidget* MakeEdit(const ControlTemplate& entry, QWidget& parent) {
  if (entry.Has(res::kMultiline)) {
    auto* edit = new CNameEdit(&parent);
    edit->setFrameShape(entry.Has(res::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
    edit->setLineWrapMode(entry.Has(res::kAutoHScroll) ? QPlainTextEdit::NoWrap
                                                       : QPlainTextEdit::WidgetWidth);
    edit->SetWantReturn(entry.Has(res::kWantReturn));
    return edit;
  }
  auto* edit = new QLineEdit(Text(entry), &parent);
  edit->setFrame(entry.Has(res::kBorder));
  return edit;
}

QWidget* MakeListView(const ControlTemplate& entry, QWidget& parent) {
  auto* list = new CFollowListCtrl(&parent);
  list->setFrameShape(entry.Has(res::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
  list->setSelectionMode(entry.Has(res::kSingleSel) ? QAbstractItemView::SingleSelection
                                                    : QAbstractItemView::ExtendedSelection);
  // A report view without a column header is one text per row, top to bottom; the icon views
  // flow their items in rows.
  list->setViewMode(entry.Has(res::kReport) ? QListView::ListMode : QListView::IconMode);
  Q_ASSERT_X(!entry.Has(res::kReport) || entry.Has(res::kNoColumnHeader), "MakeListView",
             "a report view with a column header needs a header the list does not have");
  return list;
}

QWidget* MakeTrackbar(const ControlTemplate& entry, QWidget& parent) {
  auto* trackbar = new CTrackbar(&parent);
  trackbar->setTickPosition(entry.Has(res::kNoTicks)     ? QSlider::NoTicks
                            : entry.Has(res::kBothSides) ? QSlider::TicksBothSides
                                                         : QSlider::TicksBelow);
  trackbar->SetValueTips(entry.Has(res::kTooltips));
  return trackbar;
}

QWidget* MakeControl(const ControlTemplate& entry, QWidget& parent) {
  switch (entry.cls) {
    case ControlClass::Button:
      return MakeButton(entry, parent);
    case ControlClass::Static:
      return MakeStatic(entry, parent);
    case ControlClass::Edit:
      return MakeEdit(entry, parent);
    case ControlClass::ListView:
      return MakeListView(entry, parent);
    case ControlClass::Trackbar:
      return MakeTrackbar(entry, parent);
  }
  return new QWidget(&parent);
}

Qt::FocusPolicy FocusPolicyFor(const ControlTemplate& entry) {
  if (entry.Has(res::kTabStop)) {
    return Qt::StrongFocus;
  }
  const bool clickable = entry.cls != ControlClass::Static && !entry.Has(res::kGroupBox);
  return clickable ? Qt::ClickFocus : Qt::NoFocus;
}

// A group runs from a control that starts one up to the next that does; its radios are
// exclusive among themselves only.
void GroupRadios(QWidget& dialog, const std::vector<BuiltControl>& built) {
  QButtonGroup* group = nullptr;
  for (const BuiltControl& control : built) {
    if (control.entry->Has(res::kGroup)) {
      group = nullptr;
    }
    if (auto* radio = qobject_cast<QRadioButton*>(control.widget)) {
      if (group == nullptr) {
        group = new QButtonGroup(&dialog);
      }
      group->addButton(radio);
    }
  }
}

}  // namespace

std::vector<BuiltControl> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                        BaseUnits units) {
  std::vector<BuiltControl> built;
  built.reserve(dialogTemplate.controls.size());
  for (const ControlTemplate& entry : dialogTemplate.controls) {
    QWidget* widget = MakeControl(entry, dialog);
    widget->setProperty(kControlIdProperty, entry.id);
    widget->setGeometry(MapDialogRect(entry, units));
    widget->setFocusPolicy(FocusPolicyFor(entry));
    if (!entry.text.empty()) {
      widget->setAccessibleName(Text(entry));
    }
    widget->setVisible(entry.Has(res::kVisible));
    // Each new control goes beneath those made before it.
    widget->lower();
    built.push_back({&entry, widget});
  }
  for (const BuiltControl& control : built) {
    if (control.entry->Has(res::kGroupBox)) {
      control.widget->lower();
    }
  }
  GroupRadios(dialog, built);
  QWidget* previous = nullptr;
  for (const BuiltControl& control : built) {
    if (control.widget->focusPolicy() & Qt::TabFocus) {
      if (previous != nullptr) {
        QWidget::setTabOrder(previous, control.widget);
      }
      previous = control.widget;
    }
  }
  return built;
}

}  // namespace ui
