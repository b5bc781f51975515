// Named mutexes and file mappings: shared between the user's processes, private to the user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "child_process.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"
#include "platform/posix/shared_lock.h"
#include "platform/termination_signals.h"
#include "platform/thread_queue.h"

namespace {

using platform::FileMapping;
using platform::NamedMutex;
using platform::WaitResult;
using testing_platform::Bounded;
using testing_platform::Child;
using testing_platform::RunInChild;
using testing_platform::UniqueName;

// A child that takes the mutex `name` and then does `then`; null unless it took it.
std::unique_ptr<Child> HoldInChild(const std::string& name, const std::function<void()>& then) {
  testing_platform::Signal holding;
  auto child = std::make_unique<Child>([&] {
    auto opened = NamedMutex::Open(name);
    if (!opened || opened->Wait() != WaitResult::Signalled) {
      return 1;
    }
    holding.Notify();
    then();
    return 0;
  });
  return holding.WaitFor() ? std::move(child) : nullptr;
}

TEST(NamedObjects, OpenFailsWhenNoneExistsOrCreatorIsGone) {
  const std::string name = UniqueName("gone");
  EXPECT_EQ(NamedMutex::Open(name), nullptr);
  EXPECT_EQ(FileMapping::Open(name), nullptr);
  EXPECT_EQ(NamedMutex::Open("has/slash"), nullptr);
  auto mutex = NamedMutex::Create(name);
  auto mapping = FileMapping::Create(name, 64);
  auto opened = NamedMutex::Open(name);
  auto view = mapping->MapView(64);
  ASSERT_TRUE(mutex && opened && view);
  mutex.reset();
  mapping.reset();
  EXPECT_EQ(NamedMutex::Open(name), nullptr);
  EXPECT_EQ(FileMapping::Open(name), nullptr);
  // What was opened before keeps working.
  ASSERT_EQ(opened->Wait(), WaitResult::Signalled);
  EXPECT_TRUE(opened->Release());
  view->Data()[63] = 1;
}

// A child takes the mutex and ends without releasing it: by exit, by the parent's SIGKILL, by
// exec. The next waiter gets it abandoned, and it works again here and in another process.
TEST(NamedObjects, MutexOfOwnerThatEndsHoldingItComesBackAbandoned) {
  const std::function<void()> ways[] = {[] { ::_exit(0); }, [] { ::pause(); },
                                        [] { ::execl("/bin/true", "true", nullptr); }};
  for (const auto& die : ways) {
    const std::string name = UniqueName("abandon");
    auto mutex = NamedMutex::Create(name);
    ASSERT_NE(mutex, nullptr);
    auto child = HoldInChild(name, die);
    ASSERT_TRUE(child);
    child->Kill(SIGKILL);  // no-op unless the child still runs
    child->Wait();
    ASSERT_EQ(Bounded("wait for a mutex its owner ended holding", [&] { return mutex->Wait(); }),
              WaitResult::Abandoned);
    EXPECT_TRUE(mutex->Release());
    ASSERT_EQ(mutex->Wait(), WaitResult::Signalled);
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(RunInChild([&] {
                auto opened = NamedMutex::Open(name);
                return opened && opened->Wait() == WaitResult::Signalled && opened->Release();
              }),
              1);
  }
}

TEST(NamedObjects, CreateReplacesStaleObjectOfCrashedCreator) {
  const std::string name = UniqueName("stale");
  ASSERT_EQ(RunInChild([&] {
              auto mutex = NamedMutex::Create(name);
              // Left behind, held, as a crash would leave it.
              return mutex && mutex->Wait() == WaitResult::Signalled && mutex.release();
            }),
            1);
  auto mutex = NamedMutex::Create(name);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(Bounded("wait for a mutex made afresh", [&] { return mutex->Wait(); }),
            WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
}

TEST(NamedObjects, MappingIsZeroFilledSharedAndRefusesViewsLargerThanIt) {
  const std::string name = UniqueName("map");
  auto mapping = FileMapping::Create(name, 4108);
  auto view = mapping ? mapping->MapView(4108) : nullptr;
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(mapping->ObjectSize(), 4108u);
  EXPECT_EQ(std::count(view->Data(), view->Data() + 4108, 0), 4108);
  ASSERT_EQ(RunInChild([&] {
              auto opened = FileMapping::Open(name);
              auto childView = opened ? opened->MapView(16) : nullptr;
              return childView && std::memcpy(childView->Data() + 4, "hello", 5);
            }),
            1);
  EXPECT_EQ(std::memcmp(view->Data() + 4, "hello", 5), 0);
  auto opened = FileMapping::Open(name);
  for (std::size_t size : {std::size_t{0}, std::size_t{4109}, SIZE_MAX}) {
    EXPECT_EQ(opened->MapView(size), nullptr) << size;
  }
  EXPECT_EQ(FileMapping::Create(UniqueName("empty"), 0), nullptr);
}

// Another user's process can neither open the user's objects nor take their names first, and
// an object under the user's name that others may read, or someone else owns, is refused.
TEST(NamedObjects, ObjectsArePrivateToTheUser) {
  const std::string name = UniqueName("private");
  const std::string path = platform::detail::UserObjectPath("map", name);
  auto fd = platform::detail::CreateUserFile(path, 64);
  ASSERT_TRUE(fd.Valid());
  ASSERT_NE(FileMapping::Open(name), nullptr);
  ASSERT_EQ(::fchmod(fd.Get(), 0644), 0);
  EXPECT_EQ(FileMapping::Open(name), nullptr);
  ASSERT_EQ(::fchmod(fd.Get(), 0600), 0);
  if (::geteuid() != 0) {
    ::unlink(path.c_str());
    GTEST_SKIP() << "needs root to run a child as another user";
  }
  auto mutex = NamedMutex::Create(name);
  const std::string later = UniqueName("later");
  EXPECT_EQ(RunInChild([&] {
              if (!testing_platform::SwitchToUser(65534) || NamedMutex::Open(name) ||
                  FileMapping::Open(name)) {
                return 1;
              }
              auto squat = NamedMutex::Create(later);  // left behind on purpose
              return squat ? ((void)squat.release(), 0) : 2;
            }),
            0);
  EXPECT_NE(NamedMutex::Create(later), nullptr);
  ::unlink(("/dev/shm/vantor1-65534/mutex." + later).c_str());
  ASSERT_EQ(::fchown(fd.Get(), 65534, 65534), 0);
  EXPECT_EQ(FileMapping::Open(name), nullptr);
  ::unlink(path.c_str());
}

using Clock = std::chrono::steady_clock;

// A peer that shrinks a mutex or a mapping costs the operation that meets it, not the process.
TEST(NamedObjects, ShrunkMutexAndMappingFailTheirOperationInsteadOfEndingTheProcess) {
  const std::string name = UniqueName("shrunk");
  auto mutex = NamedMutex::Create(name);
  auto mapping = FileMapping::Create(name, 8192);
  auto opened = NamedMutex::Open(name);
  auto view = mapping ? FileMapping::Open(name)->MapView(8192) : nullptr;
  ASSERT_TRUE(mutex && opened && view);
  for (const char* kind : {"mutex", "map"}) {
    ASSERT_EQ(::truncate(platform::detail::UserObjectPath(kind, name).c_str(), 0), 0);
  }
  EXPECT_EQ(opened->Wait(), WaitResult::Failed);
  EXPECT_FALSE(view->Damaged());
  view->Data()[5000] = 1;
  EXPECT_TRUE(view->Damaged());
  EXPECT_EQ(view->Data()[5000], 1);  // our own copy now, shared with nobody
}

// A lock word that names a live thread is waited on only while that thread's process maps the
// mutex: an id a peer wrote (here pid 1's) or a reused one is taken over at once; a holder that
// maps it but never lets go costs one bound, then tries only; a termination signal ends a wait.
TEST(NamedObjects, LockWaitsEndForForgedIdsStuckHoldersAndTerminationSignals) {
  const std::string name = UniqueName("held");
  auto mutex = NamedMutex::Create(name);
  ASSERT_NE(mutex, nullptr);
  {
    const std::string path = platform::detail::UserObjectPath("mutex", name);
    const std::uint32_t forged = 1;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::pwrite(fd, &forged, sizeof forged, 0), 4);
    ::close(fd);
  }
  EXPECT_EQ(RunInChild([&] {
              const WaitResult result = mutex->Wait(std::chrono::seconds(60));
              mutex->Release();
              return static_cast<int>(result);
            }),
            static_cast<int>(WaitResult::Abandoned));
  ASSERT_EQ(mutex->Wait(), WaitResult::Signalled);
  ASSERT_TRUE(mutex->Release());

  auto holder = HoldInChild(name, [] { ::pause(); });
  ASSERT_TRUE(holder);
  auto start = Clock::now();
  EXPECT_EQ(mutex->Wait(std::chrono::milliseconds(200)), WaitResult::TimedOut);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200));
  start = Clock::now();
  EXPECT_EQ(mutex->Wait(std::chrono::seconds(60)), WaitResult::TimedOut);  // stuck: tries
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

  auto fresh = NamedMutex::Open(name);
  const auto signals = platform::TerminationSignals::Install();
  ASSERT_TRUE(fresh && signals);
  const pid_t self = ::getpid();
  Child terminator([&] {
    ::usleep(100000);  // lets the wait begin; the test passes either way
    return ::kill(self, SIGTERM);
  });
  start = Clock::now();
  EXPECT_EQ(fresh->Wait(std::chrono::seconds(60)), WaitResult::TimedOut);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(terminator.Wait(), 0);
  signals->Clear();
  holder.reset();
  EXPECT_EQ(mutex->Wait(), WaitResult::Abandoned);  // once free, waited on as before
  EXPECT_TRUE(mutex->Release());
}

// Mutexes and mappings of a creator that was killed are removed by the next start of a queue.
TEST(NamedObjects, ObjectsOfKilledCreatorsAreSweptAtTheNextStart) {
  const std::string name = UniqueName("swept");
  ASSERT_EQ(RunInChild([&] {
              auto mutex = NamedMutex::Create(name);
              auto mapping = FileMapping::Create(name, 64);
              return mutex && mapping && mutex.release() && mapping.release();
            }),
            1);
  auto alive = NamedMutex::Create(name + ".alive");
  for (const char* kind : {"mutex", "map"}) {
    EXPECT_EQ(::access(platform::detail::UserObjectPath(kind, name).c_str(), F_OK), 0) << kind;
  }
  EXPECT_EQ(RunInChild([] { return platform::ThreadMessageQueue::Create() ? 0 : 1; }), 0);
  for (const char* kind : {"mutex", "map"}) {
    EXPECT_NE(::access(platform::detail::UserObjectPath(kind, name).c_str(), F_OK), 0) << kind;
  }
  EXPECT_NE(NamedMutex::Open(name + ".alive"), nullptr);
}

}  // namespace
