#include "ui/dialog_builder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

QWidget* MakeStatic(const ControlTemplate& entry, QWidget& parent, const QIcon& icon) {
  auto* label = new QLabel(&parent);
  if (entry.Has(res::kIconImage)) {
    label->setPixmap(icon.pixmap(32, 32));
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
    return edit;
  }
  auto* edit = new QLineEdit(Text(entry), &parent);
  edit->setFrame(entry.Has(res::kBorder));
  return edit;
}

QWidget* MakeControl(const ControlTemplate& entry, QWidget& parent, const QIcon& icon) {
  switch (entry.cls) {
    case ControlClass::Button:
      return MakeButton(entry, parent);
    case ControlClass::Static:
      return MakeStatic(entry, parent, icon);
    case ControlClass::Edit:
      return MakeEdit(entry, parent);
    case ControlClass::ListView:
      return new CFollowListCtrl(&parent);
    case ControlClass::Trackbar:
      return new CTrackbar(&parent);
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

}  // namespace

std::vector<BuiltControl> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                        BaseUnits units, const QIcon& icon) {
  std::vector<BuiltControl> built;
  built.reserve(dialogTemplate.controls.size());
  for (const ControlTemplate& entry : dialogTemplate.controls) {
    QWidget* widget = MakeControl(entry, dialog, icon);
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
