#pragma once
#include <QObject>
#include <QSocketNotifier>

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a terminal closing, the host simulator ending
// its child) into a normal end of every event loop, so that the program unwinds and removes its
// thread queue as on every other way out, instead of dying and leaving it behind.
// One instance at a time; the handlers stay installed after it is destroyed, and then do nothing.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False when the signal pipe could not be made; the signals then keep their default effect.
  bool IsActive() const { return m_notifier != nullptr; }

 private:
  void OnSignalled();

  int m_readFd = -1;
  QSocketNotifier* m_notifier = nullptr;  // owned through the QObject tree
};
