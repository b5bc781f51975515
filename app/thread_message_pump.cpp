#include "app/thread_message_pump.h"

#include <utility>

ThreadMessagePump::ThreadMessagePump(platform::ThreadMessageQueue& queue, Dispatch dispatch,
                                     QObject* parent)
    : QObject(parent),
      m_queue(queue),
      m_dispatch(std::move(dispatch)),
      m_notifier(queue.Descriptor(), QSocketNotifier::Read) {
  connect(&m_notifier, &QSocketNotifier::activated, this, &ThreadMessagePump::OnActivated);
}

void ThreadMessagePump::OnActivated() {
  m_queue.ClearWakeups();
  const std::optional<platform::ThreadMessage> message = m_queue.Take();
  if (!message) {
    return;
  }
  // Come back for the rest before dispatching: the handler may run a nested loop (a message
  // box), which must go on delivering.
  m_queue.Wake();
  m_dispatch(*message);
}
