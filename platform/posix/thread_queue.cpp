#include "platform/thread_queue.h"

#include <dirent.h>
#include <poll.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/doorbell.h"
#include "platform/posix/queue_ring.h"
#include "platform/posix/user_files.h"

namespace platform {

namespace {

using detail::QueueBlock;
using detail::RingResult;
using detail::SharedMap;
using detail::UniqueFd;

std::string QueuePath(ThreadId thread) {
  return detail::UserObjectPath("tq", std::to_string(thread));
}

// One process's open of a queue file: the descriptor, the mapped block and the ring lock taken
// through that descriptor.
class QueueFile {
 public:
  QueueFile(UniqueFd fd, SharedMap map)
      : fd_(std::move(fd)), map_(std::move(map)), lock_(&Block()->header.ringOwner, fd_.Get()) {}

  // Opens `path` when it holds a fully set-up queue of the user's; null otherwise.
  static std::unique_ptr<QueueFile> Open(const std::string& path) {
    UniqueFd fd = detail::OpenUserFile(path);
    if (!fd.Valid() ||
        detail::ObjectSizeOf(fd.Get()) != static_cast<long long>(sizeof(QueueBlock))) {
      return nullptr;
    }
    SharedMap map(fd.Get(), sizeof(QueueBlock));
    if (!map.Valid() || !detail::IsQueueReady(static_cast<QueueBlock*>(map.Addr()))) {
      return nullptr;
    }
    return std::make_unique<QueueFile>(std::move(fd), std::move(map));
  }

  detail::QueueAccess Access(ThreadId thread) { return {Block(), &lock_, fd_.Get(), thread}; }
  int Fd() const { return fd_.Get(); }
  // True once another process shrank the file under the mapping.
  bool Damaged() const { return map_.Damaged(); }
  // In a forked child: lets go of the file, whose life mark the mapping holds as firmly as the
  // descriptor. An empty ring of the child's own stands in its place.
  void LetGo() {
    fd_.Reset();
    // Should it fail, the shared mapping stays: the queue then looks alive while the child lives.
    (void)::mmap(map_.Addr(), map_.Size(), PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
  }

 private:
  QueueBlock* Block() const { return static_cast<QueueBlock*>(map_.Addr()); }

  UniqueFd fd_;
  SharedMap map_;
  detail::SharedLock lock_;  // given back before map_ goes
};

// A poster's handle on one receiving thread's queue: its ring mapped and its doorbell
// connected. Kept between posts; a receiver that went away (queue destroyed, thread ended,
// process killed) shows as Stale, through the ring's closed flag and life mutex.
class Target {
 public:
  enum class Outcome { Delivered, Refused, Stale };

  // The doorbell is connected before anything is written, so a ring found through a dead or
  // replaced receiver is always seen as closed or answered with "no receiver".
  static std::unique_ptr<Target> Open(ThreadId thread) {
    std::unique_ptr<QueueFile> ring = QueueFile::Open(QueuePath(thread));
    if (!ring) {
      return nullptr;
    }
    UniqueFd bell = detail::ConnectDoorbell(thread);
    if (!bell.Valid()) {
      return nullptr;
    }
    return std::unique_ptr<Target>(new Target(thread, std::move(ring), std::move(bell)));
  }

  ThreadId Thread() const { return thread_; }

  Outcome Post(const detail::QueueEntry& entry) {
    auto wake = [this] {
      switch (detail::Ring(bell_.Get())) {
        case RingResult::Rung:
        case RingResult::AlreadyPending:
          return detail::WakeResult::Sent;
        case RingResult::NoReceiver:
          return detail::WakeResult::NoReceiver;
        case RingResult::Failed:
          break;
      }
      return detail::WakeResult::Failed;
    };
    const detail::PushResult pushed = detail::PushEntry(ring_->Access(thread_), entry, wake);
    if (ring_->Damaged()) {
      return Outcome::Stale;  // what was pushed went into our own copy of a shrunk file
    }
    switch (pushed) {
      case detail::PushResult::Pushed:
        return Outcome::Delivered;
      case detail::PushResult::Closed:
      case detail::PushResult::NoReceiver:
        return Outcome::Stale;
      case detail::PushResult::Full:  // a wake-up is left pending all the same
      case detail::PushResult::Failed:
        break;
    }
    return Outcome::Refused;
  }

 private:
  Target(ThreadId thread, std::unique_ptr<QueueFile> ring, UniqueFd bell)
      : thread_(thread), ring_(std::move(ring)), bell_(std::move(bell)) {}

  ThreadId thread_;
  std::unique_ptr<QueueFile> ring_;
  UniqueFd bell_;
};

// Each posting thread keeps handles to the few threads it posted to last, so that a post
// costs a lock (and a send when no wake-up is pending) instead of a lookup every time.
class TargetCache {
 public:
  Target* Find(ThreadId thread) {
    for (auto& target : targets_) {
      if (target->Thread() == thread) {
        return target.get();
      }
    }
    return nullptr;
  }

  void Drop(const Target* target) {
    std::erase_if(targets_, [&](const auto& t) { return t.get() == target; });
  }

  void Clear() { targets_.clear(); }

  Target* Keep(std::unique_ptr<Target> target) {
    if (targets_.size() >= kMaxTargets) {
      targets_.erase(targets_.begin());
    }
    targets_.push_back(std::move(target));
    return targets_.back().get();
  }

 private:
  static constexpr std::size_t kMaxTargets = 8;
  std::vector<std::unique_ptr<Target>> targets_;
};

thread_local TargetCache tTargets;

// The process id stamped on entries, and the posting thread's handles, belong to one process:
// a forked child (which may go on to change its user) starts afresh.
pid_t gPid = ::getpid();
const bool kForkHandlerSet = [] {
  return pthread_atfork(nullptr, nullptr, [] {
           gPid = ::getpid();
           tTargets.Clear();
         }) == 0;
}();

class PosixThreadMessageQueue;

// The queues alive in this process. A process that ends through exit() without destroying its
// queue (the usual way out of a program) would otherwise leave their names behind until the
// thread id is reused. Posters look at no thread's liveness: a queue is closed when its thread
// ends, and a process's end shows at its doorbell and life mark, which a forked child must
// therefore not keep.
class LiveQueues {
 public:
  static LiveQueues& Get() {
    static auto* live = new LiveQueues();  // used by exit and fork handlers: never destroyed
    return *live;
  }
  void Add(PosixThreadMessageQueue* queue);
  void Remove(PosixThreadMessageQueue* queue);
  void RemoveAllNames();
  void RemoveNamesOf(ThreadId thread);

 private:
  LiveQueues() {
    std::atexit([] { Get().RemoveAllNames(); });
    pthread_atfork([] { Get().mutex_.lock(); }, [] { Get().mutex_.unlock(); },
                   [] { Get().LetGoInChild(); });
  }
  void LetGoInChild();
  std::mutex mutex_;
  std::vector<PosixThreadMessageQueue*> queues_;
};

class PosixThreadMessageQueue final : public ThreadMessageQueue {
 public:
  PosixThreadMessageQueue(ThreadId thread, UniqueFd bell, UniqueFd selfBell,
                          std::unique_ptr<QueueFile> ring)
      : thread_(thread),
        ownerPid_(::getpid()),
        bell_(std::move(bell)),
        selfBell_(std::move(selfBell)),
        ring_(std::move(ring)) {
    LiveQueues::Get().Add(this);
  }

  ~PosixThreadMessageQueue() override {
    LiveQueues::Get().Remove(this);
    // A forked child inherits the object, not the queue: only the creating process removes it.
    if (ownerPid_ == ::getpid()) {
      RemoveNames();
    }
  }

  // Closes the queue to posters and removes its names; the object stays usable for taking.
  void RemoveNames() {
    if (ownerPid_ != ::getpid() || namesRemoved_) {
      return;
    }
    namesRemoved_ = true;
    detail::CloseQueue(Access());
    detail::UnbindDoorbell(thread_);
    detail::UnlinkIfSame(QueuePath(thread_), ring_->Fd());
  }

  ThreadId Thread() const { return thread_; }

  // In a forked child: the parent's doorbell and life mark are closed, not kept open.
  void LetGoInChild() {
    bell_.Reset();
    selfBell_.Reset();
    ring_->LetGo();
  }

  int Descriptor() const override { return bell_.Get(); }

  void ClearWakeups() override {
    detail::Drain(bell_.Get());
    detail::ClearWakePending(Access());
  }

  std::optional<ThreadMessage> Take() override {
    std::optional<detail::QueueEntry> entry = detail::PopEntry(Access(), &more_, &wasFull_);
    if (!entry) {
      return std::nullopt;
    }
    return ThreadMessage{entry->message, static_cast<WParam>(entry->wParam),
                         static_cast<LParam>(entry->lParam)};
  }

  void Wake() override {
    // A post made after the last Take found no wake-up pending and left its own. After a burst
    // that filled the queue one more wake-up finds it empty: posts were refused meanwhile, and
    // the receiver looks for what they would have announced.
    if (more_ || std::exchange(wasFull_, false)) {
      detail::Ring(selfBell_.Get());
    }
  }

  bool WaitForWakeup(int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
      int wait = -1;
      if (timeoutMs >= 0) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        wait = left.count() < 0 ? 0 : static_cast<int>(left.count());
      }
      pollfd pfd{bell_.Get(), POLLIN, 0};
      int rc = ::poll(&pfd, 1, wait);
      if (rc > 0) {
        return true;
      }
      if (rc == 0 || errno != EINTR) {
        return false;
      }
    }
  }

 private:
  detail::QueueAccess Access() const { return ring_->Access(thread_); }

  ThreadId thread_;
  pid_t ownerPid_;
  bool namesRemoved_ = false;
  bool more_ = false;     // entries remained after the last Take
  bool wasFull_ = false;  // a Take since the last Wake found the queue full
  UniqueFd bell_;
  UniqueFd selfBell_;  // connected to bell_, so that a wake-up of our own looks up no path
  std::unique_ptr<QueueFile> ring_;
};

void LiveQueues::Add(PosixThreadMessageQueue* queue) {
  std::lock_guard<std::mutex> lock(mutex_);
  queues_.push_back(queue);
}

void LiveQueues::Remove(PosixThreadMessageQueue* queue) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase(queues_, queue);
}

void LiveQueues::RemoveAllNames() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (PosixThreadMessageQueue* queue : queues_) {
    queue->RemoveNames();
  }
}

void LiveQueues::RemoveNamesOf(ThreadId thread) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (PosixThreadMessageQueue* queue : queues_) {
    if (queue->Thread() == thread) {
      queue->RemoveNames();
    }
  }
}

// Runs in the child with the mutex still held from before the fork.
void LiveQueues::LetGoInChild() {
  for (PosixThreadMessageQueue* queue : queues_) {
    queue->LetGoInChild();
  }
  mutex_.unlock();
}

// Closes the calling thread's queues when it ends, queue objects that outlive it included.
void CloseQueuesAtThreadEnd(ThreadId thread) {
  struct AtEnd {
    ThreadId thread = 0;
    ~AtEnd() { LiveQueues::Get().RemoveNamesOf(thread); }
  };
  thread_local AtEnd atEnd;
  atEnd.thread = thread;
}

// A thread id is unique only among living threads. The ring of an earlier thread with this id
// may still be mapped by posters; closing it sends them to look up the new queue.
void CloseStaleQueue(ThreadId thread) {
  if (std::unique_ptr<QueueFile> stale = QueueFile::Open(QueuePath(thread))) {
    detail::CloseQueue(stale->Access(thread));
  }
}

// Removes the queues and doorbells that processes of the user left behind when they were
// killed: those whose process no longer holds the life mark.
void SweepLeftovers() {
  const std::string dir = detail::PrivateDir();
  DIR* listing = dir.empty() ? nullptr : ::opendir(dir.c_str());
  if (listing == nullptr) {
    return;
  }
  while (const dirent* item = ::readdir(listing)) {
    const std::string name = item->d_name;
    const std::string path = std::string(dir).append("/").append(name);
    if (name.rfind("tq.", 0) == 0) {
      std::unique_ptr<QueueFile> queue = QueueFile::Open(path);
      if (queue && !detail::IsMarkHeld(queue->Fd(), detail::kLifeMarkSlot)) {
        detail::UnlinkIfSame(path, queue->Fd());
        ::unlink((dir + "/bell." + name.substr(3)).c_str());
      }
    } else if (name.rfind("bell.", 0) == 0 &&
               ::access((dir + "/tq." + name.substr(5)).c_str(), F_OK) != 0) {
      // A process killed before its queue got its name: nobody answers at its doorbell.
      const auto thread = static_cast<ThreadId>(std::strtoul(name.c_str() + 5, nullptr, 10));
      if (thread != 0 && !detail::DoorbellInUse(thread)) {
        ::unlink(path.c_str());
      }
    }
  }
  ::closedir(listing);
}

}  // namespace

bool PostThreadMessage(ThreadId thread, std::uint32_t message, WParam wParam, LParam lParam) {
  if (thread == 0) {
    return false;
  }
  const detail::QueueEntry entry{message, static_cast<std::uint32_t>(gPid),
                                 static_cast<std::uint64_t>(wParam),
                                 static_cast<std::int64_t>(lParam)};
  if (Target* cached = tTargets.Find(thread)) {
    Target::Outcome outcome = cached->Post(entry);
    if (outcome != Target::Outcome::Stale) {
      return outcome == Target::Outcome::Delivered;
    }
    // The receiver went away; a new queue may stand under the same id now.
    tTargets.Drop(cached);
  }
  std::unique_ptr<Target> fresh = Target::Open(thread);
  if (!fresh) {
    return false;
  }
  Target::Outcome outcome = fresh->Post(entry);
  if (outcome != Target::Outcome::Stale) {
    tTargets.Keep(std::move(fresh));
  }
  return outcome == Target::Outcome::Delivered;
}

std::unique_ptr<ThreadMessageQueue> ThreadMessageQueue::Create() {
  const ThreadId thread = CurrentThreadId();
  if (detail::DoorbellInUse(thread)) {
    errno = EEXIST;  // this thread has a queue already
    return nullptr;
  }
  SweepLeftovers();
  detail::SweepDeadCreators();
  // Order matters for posters racing with a thread id's reuse. A poster maps a ready ring,
  // then connects the doorbell, then writes. The earlier ring is closed before the new
  // doorbell exists, and the new ring is ready only after it exists, so whatever a poster
  // connects to, the ring it writes into is either this one or refuses it.
  CloseStaleQueue(thread);
  UniqueFd bell = detail::BindDoorbell(thread);
  if (!bell.Valid()) {
    return nullptr;
  }
  UniqueFd selfBell = detail::ConnectDoorbell(thread);
  if (!selfBell.Valid()) {
    int saved = errno;
    detail::UnbindDoorbell(thread);
    errno = saved;
    return nullptr;
  }
  // The queue gets its name only once it is ready and its life mark held, so that a sweep or a
  // poster never finds it half made.
  UniqueFd ringFd = detail::CreateUnnamedUserFile(sizeof(QueueBlock));
  SharedMap map = ringFd.Valid() && detail::HoldMark(ringFd.Get(), detail::kLifeMarkSlot)
                      ? SharedMap(ringFd.Get(), sizeof(QueueBlock))
                      : SharedMap();
  if (map.Valid()) {
    detail::InitQueue(static_cast<QueueBlock*>(map.Addr()), static_cast<std::uint32_t>(::getpid()));
  }
  if (!map.Valid() || !detail::PublishUserFile(ringFd.Get(), QueuePath(thread))) {
    int saved = errno;
    detail::UnbindDoorbell(thread);
    errno = saved;
    return nullptr;
  }
  CloseQueuesAtThreadEnd(thread);
  return std::make_unique<PosixThreadMessageQueue>(
      thread, std::move(bell), std::move(selfBell),
      std::make_unique<QueueFile>(std::move(ringFd), std::move(map)));
}

}  // namespace platform
