#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/termination_signals.h"

// Turns SIGTERM, SIGINT and SIGHUP into a normal end of every event loop, so that the program
// unwinds and removes its thread queue as on every other way out, instead of dying and leaving
// it behind. One instance at a time.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  void OnSignalled();

  std::unique_ptr<platform::TerminationSignals> m_signals;
  std::unique_ptr<QSocketNotifier> m_notifier;  // declared last: goes before what it watches
};
