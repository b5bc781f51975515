#pragma once
// Starts win32_test_child (built beside the test) and waits for it, bounded.
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace testing_win32 {

// The child's exit code; -1 when it could not start, -2 when it was killed after timeoutMs.
inline long RunChild(const std::string& arguments, DWORD timeoutMs = 20000) {
  char self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, length);
  path.erase(path.find_last_of("\\/") + 1);
  std::string commandLine = "\"" + path + "win32_test_child.exe\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return -1;
  }
  platform::detail::UniqueHandle process(info.hProcess), thread(info.hThread);
  if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), timeoutMs);
    return -2;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  return static_cast<long>(code);
}

}  // namespace testing_win32
