#include "platform/registered_message.h"

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

namespace {

using platform::RegisterMessage;
using testing_platform::RunInChild;

// Children report the low byte of their number through their exit status.
TEST(RegisteredMessage, OneNumberPerNameInEveryProcessWithoutRegardToCase) {
  const std::uint32_t number = RegisterMessage("VantorTest.IPCNewPipe");
  EXPECT_GE(number, 0xC000u);
  EXPECT_LE(number, 0xFFFFu);
  EXPECT_EQ(RegisterMessage("VANTORTEST.ipcnewpipe"), number);
  EXPECT_EQ(RunInChild([&] { return static_cast<int>(RegisterMessage("VantorTest.IPCNewPipe")); }),
            static_cast<int>(number & 0xFF));
  // A name first registered by another process is known here afterwards.
  const std::string childFirst = "VantorTest.ChildFirst." + std::to_string(::getpid() % 64);
  const int childLow = RunInChild([&] { return static_cast<int>(RegisterMessage(childFirst)); });
  EXPECT_EQ(static_cast<int>(RegisterMessage(childFirst) & 0xFF), childLow);
  EXPECT_NE(RegisterMessage("VantorTest.IPCDataReady"), number);
  EXPECT_NE(RegisterMessage("VantorTest.IPCNewPipex"), number);
  EXPECT_EQ(RegisterMessage(""), 0u);
  EXPECT_EQ(RegisterMessage(std::string(256, 'a')), 0u);
  EXPECT_NE(RegisterMessage(std::string(255, 'b')), 0u);
}

}  // namespace
