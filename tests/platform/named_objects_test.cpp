// Named mutexes and file mappings: shared between the user's processes, private to the user.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "child_process.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"
#include "platform/user_shm.h"

namespace {

using platform::FileMapping;
using platform::NamedMutex;
using platform::WaitResult;
using testing_platform::Child;
using testing_platform::RunInChild;
using testing_platform::UniqueName;

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

// A child takes the mutex and ends without releasing it, by `die` or by the parent's SIGKILL.
void ExpectAbandonedAfter(const std::function<void()>& die) {
  const std::string name = UniqueName("abandon");
  auto mutex = NamedMutex::Create(name);
  ASSERT_NE(mutex, nullptr);
  testing_platform::Signal holding;
  Child child([&] {
    auto opened = NamedMutex::Open(name);
    if (!opened || opened->Wait() != WaitResult::Signalled) {
      return 1;
    }
    holding.Notify();
    die();
    return 0;
  });
  ASSERT_TRUE(holding.WaitFor());
  child.Kill(SIGKILL);  // no-op unless the child still runs
  child.Wait();
  ASSERT_EQ(mutex->Wait(), WaitResult::Abandoned);
  EXPECT_TRUE(mutex->Release());
  // It works again, here and in another process.
  ASSERT_EQ(mutex->Wait(), WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(RunInChild([&] {
              auto opened = NamedMutex::Open(name);
              return opened && opened->Wait() == WaitResult::Signalled && opened->Release() ? 0 : 1;
            }),
            0);
}

TEST(NamedObjects, MutexAbandonedByOwnerThatExits) {
  ExpectAbandonedAfter([] { ::_exit(0); });
}
TEST(NamedObjects, MutexAbandonedByOwnerThatIsKilled) {
  ExpectAbandonedAfter([] { ::pause(); });
}
TEST(NamedObjects, MutexAbandonedByOwnerThatExecs) {
  ExpectAbandonedAfter([] { ::execl("/bin/true", "true", nullptr); });
}

TEST(NamedObjects, CreateReplacesStaleObjectOfCrashedCreator) {
  const std::string name = UniqueName("stale");
  ASSERT_EQ(RunInChild([&] {
              auto mutex = NamedMutex::Create(name);
              if (!mutex || mutex->Wait() != WaitResult::Signalled) {
                return 1;
              }
              (void)mutex.release();  // leave the name behind, held, as a crash would
              return 0;
            }),
            0);
  auto mutex = NamedMutex::Create(name);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(mutex->Wait(), WaitResult::Signalled);
  EXPECT_TRUE(mutex->Release());
}

TEST(NamedObjects, OpenRefusesHalfMadeMutex) {
  const std::string name = UniqueName("half");
  const std::string posixName = platform::detail::UserObjectName("mutex", name);
  // Right name and size, but no magic word: its creator has not finished.
  ASSERT_TRUE(platform::detail::CreateUserShm(posixName, 64).Valid());
  EXPECT_EQ(NamedMutex::Open(name), nullptr);
  ::shm_unlink(posixName.c_str());
}

TEST(NamedObjects, MappingZeroFilledAndSharedWithOtherProcess) {
  const std::string name = UniqueName("map");
  auto mapping = FileMapping::Create(name, 4108);
  auto view = mapping ? mapping->MapView(4108) : nullptr;
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(mapping->ObjectSize(), 4108u);
  for (std::size_t i = 0; i < view->Size(); ++i) {
    ASSERT_EQ(view->Data()[i], 0) << "at " << i;
  }
  ASSERT_EQ(RunInChild([&] {
              auto opened = FileMapping::Open(name);
              auto childView = opened ? opened->MapView(16) : nullptr;
              return childView ? (std::memcpy(childView->Data() + 4, "hello", 5), 0) : 1;
            }),
            0);
  EXPECT_EQ(std::memcmp(view->Data() + 4, "hello", 5), 0);
}

TEST(NamedObjects, ViewLargerThanObjectOrEmptyFailsAtOnce) {
  const std::string name = UniqueName("map");
  auto mapping = FileMapping::Create(name, 100);
  auto opened = FileMapping::Open(name);
  ASSERT_TRUE(mapping && opened);
  EXPECT_EQ(opened->MapView(0), nullptr);
  EXPECT_EQ(opened->MapView(101), nullptr);
  EXPECT_EQ(opened->MapView(SIZE_MAX), nullptr);
  EXPECT_EQ(FileMapping::Create(UniqueName("empty"), 0), nullptr);
  auto view = opened->MapView(100);
  ASSERT_NE(view, nullptr);
  view->Data()[99] = 7;
}

TEST(NamedObjects, OtherUserCanNeitherOpenNorPreempt) {
  if (!testing_platform::CanSwitchUser()) {
    GTEST_SKIP() << "needs root to run a child as another user";
  }
  const std::string name = UniqueName("private");
  auto mutex = NamedMutex::Create(name);
  auto mapping = FileMapping::Create(name, 64);
  ASSERT_TRUE(mutex && mapping);
  const std::string later = UniqueName("later");
  EXPECT_EQ(RunInChild([&] {
              if (!testing_platform::SwitchToNobody() || NamedMutex::Open(name) ||
                  FileMapping::Open(name)) {
                return 1;
              }
              // Names the user has yet to create, taken first and left behind.
              auto squat = NamedMutex::Create(later);
              return squat ? ((void)squat.release(), 0) : 2;
            }),
            0);
  EXPECT_NE(NamedMutex::Create(later), nullptr);
  ::shm_unlink(("/vantor1.u65534.mutex." + later).c_str());
}

// An object under the user's name that someone else owns, or that others may read, is refused.
TEST(NamedObjects, OpenRefusesForeignOrOpenModeObject) {
  const std::string name = UniqueName("foreign");
  const std::string posixName = platform::detail::UserObjectName("map", name);
  auto fd = platform::detail::CreateUserShm(posixName, 64);
  ASSERT_TRUE(fd.Valid());
  ASSERT_NE(FileMapping::Open(name), nullptr);
  ASSERT_EQ(::fchmod(fd.Get(), 0644), 0);
  EXPECT_EQ(FileMapping::Open(name), nullptr);
  if (testing_platform::CanSwitchUser()) {
    ASSERT_EQ(::fchmod(fd.Get(), 0600), 0);
    ASSERT_EQ(::fchown(fd.Get(), 65534, 65534), 0);
    EXPECT_EQ(FileMapping::Open(name), nullptr);
  }
  ::shm_unlink(posixName.c_str());
}

}  // namespace
