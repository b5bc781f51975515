// The platform on Windows, where it differs from the POSIX stand-ins: the system's own mutexes,
// thread queues and registered messages, across real processes.
#include <gtest/gtest.h>

#include <string>

#include "hostlink/ipc_pipe.h"
#include "hostlink/object_names.h"
#include "platform/file_mapping.h"
#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/registered_message.h"
#include "platform/thread_id.h"
#include "platform/thread_queue.h"
#include "tests/hostlink/test_host.h"
#include "tests/win32/child_process.h"

namespace {

using testing_win32::RunChild;

// The abandoned wait made the program the owner; keeping it blocked the host for good.
TEST(Win32Pipe, LockAbandonedByADeadProcessFailsOnceAndIsGivenBack) {
  const auto host = NewHostPipe(PipeEnd::ToProgram, 16);
  ASSERT_TRUE(host);
  auto queue = platform::ThreadMessageQueue::Create();
  CIpcPipe pipe;
  ASSERT_EQ(pipe.Open(host->Index(), 16), 1);
  const std::string mutex = PipeMutexName(host->Index());
  ASSERT_EQ(pipe.Write("abc", 3), 1);
  char buffer[16] = {};
  for (bool reading : {true, false}) {
    ASSERT_EQ(RunChild("die-owning " + mutex), 1);
    EXPECT_EQ(reading ? pipe.Read(buffer, -1) : pipe.Write("de", 2), reading ? -1 : 0);
    EXPECT_EQ(platform::GetLastError(), CIpcPipe::kErrAbandoned);
    EXPECT_EQ(RunChild("lock-release " + mutex), 1) << "lock left owned";
  }
  EXPECT_EQ(pipe.Read(buffer, -1), 3);
}

// Two hosts on one live name would write into each other's ring; a name no process holds any
// more is free again.
TEST(Win32NamedObjects, CreateRefusesALiveNameAndTakesAFreedOne) {
  const std::string suffix = std::to_string(::GetCurrentProcessId());
  for (int round = 0; round < 2; ++round) {
    auto mutex = platform::NamedMutex::Create("VantorTest.Mutex" + suffix);
    auto mapping = platform::FileMapping::Create("VantorTest.Mapping" + suffix, 64);
    ASSERT_TRUE(mutex && mapping) << "round " << round;
    EXPECT_FALSE(platform::NamedMutex::Create("VantorTest.Mutex" + suffix));
    EXPECT_FALSE(platform::FileMapping::Create("VantorTest.Mapping" + suffix, 64));
  }
}

DWORD WINAPI PostToSelfAndEnd(void*) {
  auto queue = platform::ThreadMessageQueue::Create();
  return platform::PostThreadMessage(platform::CurrentThreadId(), WM_APP, 0, 0) ? 1 : 0;
}

TEST(Win32ThreadQueue, PostToAThreadThatEndedFails) {
  DWORD id = 0;
  // The open handle keeps the id from being given to a new thread.
  platform::detail::UniqueHandle thread(
      ::CreateThread(nullptr, 0, PostToSelfAndEnd, nullptr, 0, &id));
  ASSERT_TRUE(thread.Valid());
  ASSERT_EQ(::WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
  DWORD postedWhileAlive = 0;
  ASSERT_TRUE(::GetExitCodeThread(thread.Get(), &postedWhileAlive));
  EXPECT_EQ(postedWhileAlive, 1u);
  EXPECT_FALSE(platform::PostThreadMessage(id, WM_APP, 0, 0));
}

// The host and the program agree on the numbers only through the system's table.
TEST(Win32RegisteredMessage, NumbersAgreeAcrossProcessesAndIgnoreCase) {
  const std::uint32_t number = platform::RegisterMessage("VantorTest.IPCNewPipe");
  EXPECT_GE(number, 0xC000u);
  EXPECT_LE(number, 0xFFFFu);
  EXPECT_EQ(platform::RegisterMessage("VANTORTEST.ipcnewpipe"), number);
  EXPECT_EQ(RunChild("register vantortest.IPCNEWPIPE"), static_cast<long>(number));
  const std::string childFirst = "VantorTest.ChildFirst." + std::to_string(::GetCurrentProcessId());
  const long childNumber = RunChild("register " + childFirst);
  EXPECT_EQ(static_cast<long>(platform::RegisterMessage(childFirst)), childNumber);
  EXPECT_NE(platform::RegisterMessage("VantorTest.IPCDataReady"), number);
  EXPECT_EQ(platform::RegisterMessage(""), 0u);
  EXPECT_EQ(platform::RegisterMessage(std::string(256, 'a')), 0u);
  EXPECT_NE(platform::RegisterMessage(std::string(255, 'b')), 0u);
  EXPECT_EQ(platform::RegisterMessage(std::string("VantorTest.IPCNewPipe\0x", 23)), 0u);
}

}  // namespace
