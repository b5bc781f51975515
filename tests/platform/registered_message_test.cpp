#include "platform/registered_message.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <string>

#include "child_process.h"

namespace {

using platform::RegisterMessage;
using testing_platform::RunInChild;

TEST(RegisteredMessage, SameNumberInEveryProcessAndInRange) {
  const std::string name = std::string("VantorTest.Msg");
  const std::uint32_t number = RegisterMessage(name);
  EXPECT_GE(number, 0xC000u);
  EXPECT_LE(number, 0xFFFFu);
  EXPECT_EQ(RegisterMessage(name), number);
  // The child reports the number it was given through its exit status (low byte).
  EXPECT_EQ(RunInChild([&] { return static_cast<int>(RegisterMessage(name) & 0xFF); }),
            static_cast<int>(number & 0xFF));
  // A name first registered by another process is known here afterwards.
  const std::string childFirst = "VantorTest.ChildFirst." + std::to_string(::getpid() % 64);
  const int childLow =
      RunInChild([&] { return static_cast<int>(RegisterMessage(childFirst) & 0xFF); });
  EXPECT_EQ(static_cast<int>(RegisterMessage(childFirst) & 0xFF), childLow);
}

TEST(RegisteredMessage, NamesCompareWithoutCase) {
  const std::string name = std::string("VantorTest.IPCNewPipe");
  std::string upper = name;
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  EXPECT_EQ(RegisterMessage(name), RegisterMessage(upper));
}

TEST(RegisteredMessage, DistinctNamesGetDistinctNumbers) {
  const std::string a = std::string("VantorTest.IPCNewPipe");
  const std::string b = std::string("VantorTest.IPCDataReady");
  EXPECT_NE(RegisterMessage(a), RegisterMessage(b));
  EXPECT_NE(RegisterMessage(a + "x"), RegisterMessage(a));
}

TEST(RegisteredMessage, EmptyOrOverlongNameGetsNoNumber) {
  EXPECT_EQ(RegisterMessage(""), 0u);
  EXPECT_EQ(RegisterMessage(std::string(256, 'a')), 0u);
  EXPECT_NE(RegisterMessage(std::string(255, 'b')), 0u);
}

}  // namespace
