#include "app/thread_message_pump.h"

#include <utility>

#include "platform/message_loop.h"

ThreadMessagePump::ThreadMessagePump(platform::ThreadMessageQueue& queue, Dispatch dispatch,
                                     std::function<void()> drained, QObject* parent)
    : QObject(parent),
      m_queue(queue),
      m_dispatch(std::move(dispatch)),
      m_drained(std::move(drained)),
      m_notifier(queue.Descriptor(), QSocketNotifier::Read) {
  connect(&m_notifier, &QSocketNotifier::activated, this, &ThreadMessagePump::OnActivated);
}

void ThreadMessagePump::OnActivated() {
  if (const std::optional<platform::ThreadMessage> message = platform::TakeNextMessage(m_queue)) {
    m_dispatch(*message);
  } else if (m_drained) {
    m_drained();
  }
}
