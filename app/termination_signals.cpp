#include "app/termination_signals.h"

#include <QCoreApplication>

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent), m_signals(platform::TerminationSignals::Install()) {
  if (!m_signals) {
    return;  // the signals keep their default effect
  }
  m_notifier = std::make_unique<QSocketNotifier>(m_signals->Descriptor(), QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::OnSignalled);
}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::OnSignalled() {
  m_signals->Clear();
  // Leaves every running loop (the main dialog's and any box over it), so the program unwinds.
  QCoreApplication::exit(0);
}
