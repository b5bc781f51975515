// vantor1.exe with its window against hostsim.exe, driven with real mouse and keyboard input
// from this process. hostsim's scripts (beside this file) send the host's messages and check
// what vantor1 sends and how it ends. Needs a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

#include "res/resource.h"
#include "tests/win32/child_process.h"
#include "tests/win32/real_input.h"

namespace {

using testing_win32::FindDialog;

// A build-tree path as the Windows programs name it (Wine maps Z: to the root).
std::string WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

// hostsim.exe running a script against the vantor1.exe it spawned.
class Host {
 public:
  explicit Host(const std::string& script)
      : process_(testing_win32::StartProcess(
            "\"" + WindowsPath(HOSTSIM_PATH) + "\" --timeout-ms 30000 --spawn \"" +
            WindowsPath(VANTOR_PATH) + "\" \"" + WindowsPath(SCRIPT_DIR) + "\\" + script + "\"")) {}
  ~Host() {
    if (Running()) {
      ::TerminateProcess(process_.Get(), 1);
    }
  }
  bool Running() const { return process_.Valid() && ::WaitForSingleObject(process_.Get(), 0) != 0; }
  // hostsim's exit status once it has ended (0: every expectation held); -1 after 40 s.
  long ExitCode() const { return testing_win32::ExitCode(process_, 40000); }
  // Waits until done() holds, looking every 20 ms; gives up when hostsim has ended (nothing
  // would change then) or after 20 s. Another process's window sends no event to wait on.
  bool Await(const std::function<bool()>& done) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (!Running() || std::chrono::steady_clock::now() > deadline) {
        return done();
      }
      ::WaitForSingleObject(process_.Get(), 20);
    }
    return true;
  }

 private:
  platform::detail::UniqueHandle process_;
};

constexpr const wchar_t* kNamed = L"Vantor1 - tester";

class WindowE2eTest : public ::testing::Test {
 protected:
  // Starts the script and waits until vantor1's window carries the identity it sends.
  HWND StartNamed(const char* script) {
    host_ = std::make_unique<Host>(script);
    HWND window = nullptr;
    host_->Await([&] { return (window = FindDialog(kNamed)) != nullptr; });
    return window;
  }

  // A click on the dialog's own background: activates it without pressing any control.
  static void Activate(HWND window) {
    POINT corner{4, 4};
    ::ClientToScreen(window, &corner);
    testing_win32::ClickAt(corner);
  }

  // Types the name into the name box and clicks Add/gnot; "\r" is the Enter key.
  static void Follow(HWND window, const std::string& name) {
    testing_win32::Click(::GetDlgItem(window, IDC_NAME_EDIT));
    testing_win32::Type(name);
    testing_win32::Click(::GetDlgItem(window, IDC_ADD_GNOTIFY));
  }

  std::unique_ptr<Host> host_;
};

// Esc, then the close box: each ends the program with status 0, and nothing is sent.
TEST_F(WindowE2eTest, EscAndTheCloseBoxEndTheProgramWithStatusZeroSendingNothing) {
  for (const bool byEsc : {true, false}) {
    const HWND window = StartNamed("ends_by_user.hsim");
    ASSERT_NE(window, nullptr);
    if (byEsc) {
      Activate(window);
      testing_win32::PressKey(VK_ESCAPE);
    } else {
      POINT closeBox{};
      ASSERT_TRUE(testing_win32::FindFramePart(window, HTCLOSE, closeBox));
      testing_win32::ClickAt(closeBox);
    }
    EXPECT_EQ(host_->ExitCode(), 0) << (byEsc ? "Esc" : "close box");
  }
}

// Regression: the line break that Enter leaves in the name box made the name invalid.
TEST_F(WindowE2eTest, ANameTypedWithEnterIsFollowedAndItsGameObserved) {
  const HWND window = StartNamed("typed_name.hsim");
  ASSERT_NE(window, nullptr);
  Follow(window, "alice\r");
  EXPECT_EQ(host_->ExitCode(), 0);
}

// The host's relation messages count the open boards, which decide whether a followed
// player's game is observed (the script the Qt face runs too).
TEST_F(WindowE2eTest, CountedBoardsDecideWhetherAFollowedGameIsObserved) {
  const HWND window = StartNamed("..\\e2e_ui\\relations.hsim");
  ASSERT_NE(window, nullptr);
  Follow(window, "alpha");
  Follow(window, "beta");
  EXPECT_EQ(host_->ExitCode(), 0);
}

// The failed announcement's box runs its own loop; the pipes announced and the identity sent
// meanwhile are read in it, and the box stays up until the user closes it.
TEST_F(WindowE2eTest, HostMessagesAreReadWhileAnErrorBoxIsUp) {
  host_ = std::make_unique<Host>("box_then_identity.hsim");
  HWND box = nullptr;
  ASSERT_TRUE(host_->Await([&] { return (box = FindDialog(L"vantor1")) != nullptr; }));
  ASSERT_TRUE(host_->Await([&] { return FindDialog(kNamed) != nullptr; }));
  EXPECT_TRUE(::IsWindow(box));
  testing_win32::Click(::GetDlgItem(box, IDOK));
  ASSERT_TRUE(host_->Await([&] { return !::IsWindow(box); }));
  const HWND window = FindDialog(kNamed);
  ASSERT_NE(window, nullptr);
  Activate(window);
  testing_win32::PressKey(VK_ESCAPE);
  EXPECT_EQ(host_->ExitCode(), 0);
}

}  // namespace
