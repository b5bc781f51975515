// The vantor1 process seen from outside: Esc in its main window, and SIGTERM, end it with
// status 0. (The host's quit message is driven through the host simulator in tests/e2e.)
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/user_files.h"
#include "tests/platform/child_process.h"

namespace {

using testing_platform::Child;

// Runs path offscreen.
int Exec(const char* path) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Sanitizer builds: what exit() leaves held while the window is up is not our leak.
  ::setenv("LSAN_OPTIONS", "suppressions=" EXIT_PATH_LSAN_SUPP ":print_suppressions=0", 1);
  ::execl(path, path, static_cast<char*>(nullptr));
  return 127;
}

TEST(ProgramExit, escapeInTheMainWindowEndsTheProcessWithStatusZero) {
  Child child([] { return Exec(VANTOR1_ESC_CHILD); });
  EXPECT_EQ(child.Wait(20000), 0);
}

// A logout or a terminating host ends vantor1 with SIGTERM: it must unwind like any other end,
// removing its thread queue, not die and leave the queue's shared memory behind; also when the
// signal comes as soon as the queue exists.
TEST(ProgramExit, terminationSignalEndsTheProcessWithStatusZeroAndRemovesItsQueue) {
  Child child([] { return Exec(VANTOR1_PATH); });
  const std::string queue = platform::detail::UserObjectPath("tq", std::to_string(child.Pid()));
  ASSERT_TRUE(child.AwaitFile(queue));
  child.Kill(SIGTERM);
  EXPECT_EQ(child.Wait(20000), 0);
  EXPECT_FALSE(std::filesystem::exists(queue));
}

}  // namespace
