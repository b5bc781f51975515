#pragma once
#include <cstdio>
#include <string>

#include "cli/parse.h"
#include "ui/win32/windows_ui.h"

namespace app::win32 {

// --help, --version and a usage error for a window program: written where its output goes (a
// redirection, or the console of the shell that started it), else shown in a box, since a
// program started from the desktop has no console. Returns the exit status: 0, or 2.
inline int ReportCommandLine(const cli::Outcome& outcome) {
  const bool error = outcome.kind == cli::Outcome::Kind::UsageError;
  const std::string text =
      error ? "vantor1: " + outcome.text + " (vantor1 --help shows the usage)\n" : outcome.text;
  FILE* stream = error ? stderr : stdout;
  const HANDLE handle = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  const bool redirected = handle != nullptr && handle != INVALID_HANDLE_VALUE &&
                          ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
  if (!redirected && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    stream = std::freopen("CONOUT$", "w", stream);
  }
  if (redirected || stream != nullptr) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
  } else {
    ::MessageBoxA(nullptr, text.c_str(), "vantor1",
                  MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
  }
  return error ? 2 : 0;
}

}  // namespace app::win32
