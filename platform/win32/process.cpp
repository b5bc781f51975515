#include <cstdio>

#include "platform/process.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

// What a console's Ctrl-C leaves as the exit code of a process that it ended.
constexpr DWORD kControlCExit = 0xC000013A;
// The exit code of a program that its starter terminated.
constexpr UINT kStoppedExit = 1;

HANDLE AsHandle(std::intptr_t waitable) {
  return reinterpret_cast<HANDLE>(waitable);
}

// One argument as the runtime's command-line parser reads it back: quoted when it holds blanks
// or quotes, with the backslashes before a quote (or the closing one) doubled.
void AppendQuoted(const std::string& arg, std::string& line) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  line += '"';
}

// A job that ends every program this process started when it ends (its handle closes with the
// process), so that an interrupted test leaves no program behind. Null when the system has none.
HANDLE KillOnCloseJob() {
  static const HANDLE job = [] {
    HANDLE made = ::CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (made != nullptr && !::SetInformationJobObject(made, JobObjectExtendedLimitInformation,
                                                      &limits, sizeof limits)) {
      ::CloseHandle(made);
      made = nullptr;
    }
    return made;
  }();
  return job;
}

}  // namespace

std::string Describe(const ExitStatus& status) {
  if (!status.known) {
    return "ended";
  }
  if (status.signalled) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status.code));
    return std::string("crashed (exception ") + code + ")";
  }
  return "ended with status " + std::to_string(status.code);
}

bool EndedByStop(const ExitStatus& status) {
  return !status.signalled || EndedByInterrupt(status);
}

bool EndedByInterrupt(const ExitStatus& status) {
  return status.signalled && static_cast<DWORD>(status.code) == kControlCExit;
}

std::unique_ptr<Program> Program::Spawn(const std::vector<std::string>& argv, std::string& error) {
  if (argv.empty()) {
    error = "cannot start the program";
    return nullptr;
  }
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) {
      line += ' ';
    }
    AppendQuoted(arg, line);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Suspended until it is in the job, so that not even its first instructions escape it.
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info)) {
    error = "cannot start " + argv[0] + ": error " + std::to_string(::GetLastError());
    return nullptr;
  }
  if (const HANDLE job = KillOnCloseJob()) {
    ::AssignProcessToJobObject(job, info.hProcess);
  }
  ::ResumeThread(info.hThread);
  ::CloseHandle(info.hThread);
  // The thread that CreateProcess started is the program's main thread, the one whose queue
  // the host posts to.
  return Adopt(info.dwThreadId, reinterpret_cast<std::intptr_t>(info.hProcess));
}

std::unique_ptr<Program> Program::Fork(const std::function<int()>&, std::string& error) {
  error = "this system cannot fork";
  return nullptr;
}

std::unique_ptr<Program> Program::Attach(platform::ThreadId thread) {
  std::unique_ptr<Program> program(new Program());
  program->thread_ = thread;
  // The thread's process, to see its end; without the rights to it the end goes unseen.
  if (const HANDLE handle = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread)) {
    const DWORD pid = ::GetProcessIdOfThread(handle);
    ::CloseHandle(handle);
    if (const HANDLE process = pid != 0 ? ::OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr) {
      program->exitWaitable_ = reinterpret_cast<std::intptr_t>(process);
    }
  }
  return program;
}

Program::~Program() {
  if (exitWaitable_ != -1) {
    ::CloseHandle(AsHandle(exitWaitable_));
  }
}

std::optional<ExitStatus> Program::Poll() {
  if (status_ || exitWaitable_ == -1) {
    return status_;
  }
  const HANDLE process = AsHandle(exitWaitable_);
  if (::WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
    return status_;
  }
  DWORD code = 0;
  if (!spawned_ || !::GetExitCodeProcess(process, &code)) {
    status_ = ExitStatus{false, false, 0};
  } else {
    // Codes of the error class (0xC...) are the exceptions that ended a crashed process.
    const bool crashed = (code & 0xF0000000) == 0xC0000000;
    status_ = ExitStatus{true, crashed, static_cast<int>(code)};
  }
  return status_;
}

std::optional<ExitStatus> Program::WaitForExit(int timeoutMs) {
  if (Poll() || timeoutMs <= 0 || exitWaitable_ == -1) {
    return status_;
  }
  ::WaitForSingleObject(AsHandle(exitWaitable_), static_cast<DWORD>(timeoutMs));
  return Poll();
}

std::optional<ExitStatus> Program::Terminate(int timeoutMs) {
  if (!spawned_ || Poll()) {
    return status_;
  }
  ::TerminateProcess(AsHandle(exitWaitable_), kStoppedExit);
  return WaitForExit(timeoutMs);
}

}  // namespace platform
