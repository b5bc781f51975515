#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

int OpenPidFd(pid_t pid) {
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int n;
  do {
    n = poll(&p, 1, timeoutMs);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, int errorPipe) {
  // Ends the child with its starter, so that an interrupted run leaves no program behind.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  execvp(args[0], args.data());
  const int error = errno;
  [[maybe_unused]] ssize_t n = write(errorPipe, &error, sizeof error);
  _exit(127);
}

}  // namespace

std::string Describe(const ExitStatus& status) {
  if (!status.known) {
    return "ended";
  }
  if (status.signalled) {
    return "crashed (signal " + std::to_string(status.code) + ", " + strsignal(status.code) + ")";
  }
  return "ended with status " + std::to_string(status.code);
}

bool EndedByStop(const ExitStatus& status) {
  const int s = status.code;
  return !status.signalled || s == SIGTERM || s == SIGKILL || s == SIGINT || s == SIGHUP;
}

bool EndedByInterrupt(const ExitStatus& status) {
  return status.signalled && status.code == SIGINT;
}

std::unique_ptr<Program> Program::Spawn(const std::vector<std::string>& argv, std::string& error) {
  int errorPipe[2];
  if (argv.empty() || pipe2(errorPipe, O_CLOEXEC) != 0) {
    error = std::string("cannot start the program: ") +
            (argv.empty() ? "no command" : std::strerror(errno));
    return nullptr;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(errorPipe[0]);
    ExecChild(argv, errorPipe[1]);
  }
  close(errorPipe[1]);
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(errorPipe[0]);
    return nullptr;
  }
  int execError = 0;
  ssize_t n;
  do {
    n = read(errorPipe[0], &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  close(errorPipe[0]);
  if (n == sizeof execError) {
    waitpid(pid, nullptr, 0);
    error = "cannot start " + argv[0] + ": " + std::strerror(execError);
    return nullptr;
  }
  // Its main thread's id is its process id.
  return Adopt(static_cast<platform::ThreadId>(pid), OpenPidFd(pid));
}

std::unique_ptr<Program> Program::Fork(const std::function<int()>& body, std::string& error) {
  const pid_t pid = fork();
  if (pid == 0) {
    // The signals end the child, as they would a program started afresh, whatever this
    // process made of them.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
      ::signal(signal, SIG_DFL);
    }
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    _exit(body());
  }
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  return Adopt(static_cast<platform::ThreadId>(pid), OpenPidFd(pid));
}

std::unique_ptr<Program> Program::Attach(platform::ThreadId thread) {
  std::unique_ptr<Program> program(new Program());
  program->thread_ = thread;
  program->exitWaitable_ = OpenPidFd(static_cast<pid_t>(thread));
  return program;
}

Program::~Program() {
  if (exitWaitable_ >= 0) {
    close(static_cast<int>(exitWaitable_));
  }
}

std::optional<ExitStatus> Program::Poll() {
  if (status_) {
    return status_;
  }
  const auto pid = static_cast<pid_t>(thread_);
  if (spawned_) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) == pid) {
      status_ = WIFSIGNALED(raw) ? ExitStatus{true, true, WTERMSIG(raw)}
                                 : ExitStatus{true, false, WEXITSTATUS(raw)};
    }
  } else if (kill(pid, 0) != 0 && errno == ESRCH) {
    status_ = ExitStatus{false, false, 0};
  }
  return status_;
}

std::optional<ExitStatus> Program::WaitForExit(int timeoutMs) {
  if (Poll() || timeoutMs <= 0) {
    return status_;
  }
  if (exitWaitable_ >= 0) {
    WaitReadable(static_cast<int>(exitWaitable_), timeoutMs);
    return Poll();
  }
  // Without a descriptor to wait on, look again at short, growing intervals.
  for (int waited = 0, step = 1; waited < timeoutMs && !Poll();
       waited += step, step = std::min(step * 2, 50)) {
    usleep(static_cast<useconds_t>(step) * 1000);
  }
  return status_;
}

std::optional<ExitStatus> Program::Terminate(int timeoutMs) {
  if (!spawned_ || Poll()) {
    return status_;
  }
  kill(static_cast<pid_t>(thread_), SIGTERM);
  if (WaitForExit(timeoutMs)) {
    return status_;
  }
  kill(static_cast<pid_t>(thread_), SIGKILL);
  return WaitForExit(timeoutMs);
}

}  // namespace platform
