// The viewing options of the main window: three trackbars taken over on mouse release, the
// mode radios and the five filter check boxes. dialog::Options writes m_state; the labels and
// the reserved row show what it reports.
#include <QAbstractButton>

#include "res/resource.h"
#include "ui/trackbar.h"
#include "ui/watch_dlg.h"

void CWatchDlg::SetLabel(int id, const std::optional<std::string>& text) {
  if (text) {
    SetDlgItemText(id, QString::fromStdString(*text));
  }
}

void CWatchDlg::ShowOptions(const dialog::OptionsView& view) {
  if (view.reservedShown) {
    m_reservedSlider->setVisible(*view.reservedShown);
  }
  if (view.reservedToZero) {
    m_reservedSlider->setValue(0);
  }
  if (view.reservedMaximum) {
    m_reservedSlider->SetRange(0, *view.reservedMaximum);
  }
  SetLabel(IDC_MAX_WINDOWS_VALUE, view.maxWindowsValue);
  SetLabel(IDC_MIN_ETIME_VALUE, view.minEtimeValue);
  SetLabel(IDC_RESERVED_VALUE, view.reservedValue);
  SetLabel(IDC_RESERVED_LABEL, view.reservedCaption);
  ShowStatus();  // the board limit may have changed
}

void CWatchDlg::ConnectOptions() {
  const auto released = [this](ui::CTrackbar* trackbar, auto handler) {
    connect(trackbar, &ui::CTrackbar::released, this,
            [this, trackbar, handler] { ShowOptions((m_options.*handler)(trackbar->value())); });
  };
  released(m_maxWindowsSlider, &dialog::Options::MaxWindowsReleased);
  released(m_reservedSlider, &dialog::Options::ReservedReleased);
  released(m_minEtimeSlider, &dialog::Options::MinEtimeReleased);
  const std::pair<int, dialog::Mode> radios[] = {{IDC_MODE_FOLLOW, dialog::Mode::FollowList},
                                                 {IDC_MODE_ALL, dialog::Mode::AllNotify},
                                                 {IDC_MODE_NONE, dialog::Mode::None}};
  for (const auto& radio : radios) {
    connect(Control<QAbstractButton>(radio.first), &QAbstractButton::clicked, this,
            [this, mode = radio.second] { ShowOptions(m_options.ModeClicked(mode)); });
  }
  const std::pair<int, void (dialog::Options::*)()> boxes[] = {
      {IDC_NO_WILD, &dialog::Options::NoWildClicked},
      {IDC_NO_UNRATED, &dialog::Options::NoUnratedClicked},
      {IDC_NO_STANDARD, &dialog::Options::NoStandardClicked},
      {IDC_MY_ETIME_ONLY, &dialog::Options::MyEtimeOnlyClicked},
      {IDC_NO_INCREMENT, &dialog::Options::NoIncrementClicked}};
  for (const auto& box : boxes) {
    connect(Control<QAbstractButton>(box.first), &QAbstractButton::clicked, this,
            [this, handler = box.second] { (m_options.*handler)(); });
  }
}
