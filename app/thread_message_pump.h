#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <functional>

#include "platform/thread_queue.h"

// Delivers the messages posted to this thread from whatever Qt event loop runs on it: the
// modal dialog's, a message box's nested one, or the application's. Each activation of the
// queue's descriptor hands over one message; when it found one it leaves a wake-up pending,
// so the rest follow on later loop turns, nested loops included, and the window stays
// responsive during a burst. No timers: the loop sleeps until a post arrives. A wake-up that
// finds the queue empty ends a burst or stands for posts refused by a full queue: `drained`
// then looks for what such posts would have announced.
class ThreadMessagePump : public QObject {
  Q_OBJECT

 public:
  using Dispatch = std::function<void(const platform::ThreadMessage&)>;

  // queue must outlive the pump; both belong to the calling thread.
  ThreadMessagePump(platform::ThreadMessageQueue& queue, Dispatch dispatch,
                    std::function<void()> drained = {}, QObject* parent = nullptr);

 private:
  void OnActivated();

  platform::ThreadMessageQueue& m_queue;
  Dispatch m_dispatch;
  std::function<void()> m_drained;
  QSocketNotifier m_notifier;
};
