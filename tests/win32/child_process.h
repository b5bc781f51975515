#pragma once
// Starts processes for the Windows tests and waits for them, bounded.
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace testing_win32 {

// The process started on commandLine; invalid when it could not start.
inline platform::detail::UniqueHandle StartProcess(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return {};
  }
  ::CloseHandle(info.hThread);
  return platform::detail::UniqueHandle(info.hProcess);
}

// The process's exit code; -1 when it did not start or end within timeoutMs (it is then killed).
inline long ExitCode(const platform::detail::UniqueHandle& process, DWORD timeoutMs) {
  DWORD code = 0;
  if (!process.Valid() || ::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), 1);
    return -1;
  }
  ::GetExitCodeProcess(process.Get(), &code);
  return static_cast<long>(code);
}

// win32_test_child (built beside the test) run with arguments: its exit code.
inline long RunChild(const std::string& arguments) {
  char self[MAX_PATH];
  std::string path(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
  path.erase(path.find_last_of("\\/") + 1);
  return ExitCode(StartProcess("\"" + path + "win32_test_child.exe\" " + arguments), 20000);
}

}  // namespace testing_win32
