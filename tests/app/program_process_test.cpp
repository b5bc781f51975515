// The vantor1 process seen from outside: how it ends, and how it starts where another user or a
// killed run left things in its way (the host's quit message is played in tests/e2e).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostside/host_side.h"
#include "hostside/wire.h"
#include "platform/thread_queue.h"
#include "tests/platform/child_process.h"
#include "tools/hostsim/session.h"

namespace {

namespace fs = std::filesystem;
using testing_platform::Child;
using testing_platform::Signal;

// A private runtime directory for `uid`, as a login session provides one.
fs::path RuntimeDirFor(uid_t uid, const std::string& tag) {
  fs::path dir =
      fs::temp_directory_path() / ("vantor1-test-run." + tag + "." + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directory(dir);
  EXPECT_EQ(::chown(dir.c_str(), uid, uid), 0);
  EXPECT_EQ(::chmod(dir.c_str(), 0700), 0);
  return dir;
}

// One run of `program` (offscreen) as `uid`, with `runtimeDir` as its XDG_RUNTIME_DIR (none when
// empty). It starts once Go() is called, so that squats can be made knowing its process id.
class ProgramRun {
 public:
  ProgramRun(uid_t uid, fs::path runtimeDir, std::function<bool()> prepare = {},
             const char* program = VANTOR1_PATH)
      : uid_(uid),
        runtimeDir_(std::move(runtimeDir)),
        errFile_(fs::temp_directory_path() /
                 ("vantor1-test-err." + std::to_string(::getpid()) + "." + std::to_string(uid))),
        child_([this, prepare, program] {
          if (!go_.WaitFor(20000)) {
            return 126;
          }
          runtimeDir_.empty() ? ::unsetenv("XDG_RUNTIME_DIR")
                              : ::setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
          ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
          ::setenv("HOME", "/nonexistent", 1);
          // Sanitizer builds: what exit() leaves held while the window is up is not our leak.
          ::setenv("LSAN_OPTIONS", "suppressions=" EXIT_PATH_LSAN_SUPP ":print_suppressions=0", 1);
          const int err = ::open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
          if (err < 0 || ::dup2(err, 2) != 2 || (prepare && !prepare()) ||
              !testing_platform::SwitchToUser(uid_)) {
            return 125;
          }
          ::execl(program, program, static_cast<char*>(nullptr));
          return 127;
        }) {}
  ~ProgramRun() { fs::remove(errFile_); }

  pid_t Pid() const { return child_.Pid(); }
  void Go() { go_.Notify(); }

  // Where the program's queue appears once it runs: every run that works has its runtime dir.
  fs::path QueueFile() const {
    return runtimeDir_ / "vantor1" / ("tq." + std::to_string(child_.Pid()));
  }

  // True once the program has its queue (and so its message numbers: it ends without them);
  // false when it ended, with its status and stderr kept.
  bool WaitUntilRunning() { return child_.AwaitFile(QueueFile()); }
  // Whether it ended with status 1 before running, saying `reason` on stderr.
  bool EndsSaying(const std::string& reason) {
    return !WaitUntilRunning() && Status() == 1 && Errors().find(reason) != std::string::npos;
  }
  int Stop() {
    child_.Kill(SIGTERM);
    return Status();
  }
  int Status() { return child_.Wait(20000); }
  std::string Errors() const {
    return (std::stringstream() << std::ifstream(errFile_).rdbuf()).str();
  }

 private:
  uid_t uid_;
  fs::path runtimeDir_;
  fs::path errFile_;
  Signal go_;
  Child child_;
};

TEST(ProgramExit, escapeInTheMainWindowEndsTheProcessWithStatusZero) {
  ProgramRun run(::geteuid(), RuntimeDirFor(::geteuid(), "esc"), {}, VANTOR1_ACTING_CHILD);
  run.Go();
  EXPECT_EQ(run.Status(), 0) << run.Errors();
}

// A killed run leaves its queue and doorbell; the next start removes them. A logout or a
// terminating host ends vantor1 with SIGTERM: it must unwind like any other end, removing its
// queue, also when the signal comes as soon as the queue exists.
TEST(ProgramExit, nextStartRemovesWhatAKilledRunLeftAndTerminationEndsWithStatusZero) {
  const fs::path runtime = RuntimeDirFor(::geteuid(), "killed");
  ProgramRun killed(::geteuid(), runtime);
  killed.Go();
  ASSERT_TRUE(killed.WaitUntilRunning()) << killed.Errors();
  const fs::path queue = killed.QueueFile();
  const fs::path bell = queue.parent_path() / ("bell." + std::to_string(killed.Pid()));
  ::kill(killed.Pid(), SIGKILL);
  killed.Status();
  ASSERT_TRUE(fs::exists(queue) && fs::exists(bell));
  ProgramRun next(::geteuid(), runtime);
  next.Go();
  ASSERT_TRUE(next.WaitUntilRunning()) << next.Errors();
  EXPECT_FALSE(fs::exists(queue));
  EXPECT_FALSE(fs::exists(bell));
  EXPECT_EQ(next.Stop(), 0) << next.Errors();
  EXPECT_FALSE(fs::exists(next.QueueFile()));
  fs::remove_all(runtime);
}

// The host's quit lies in the ring but its "IPCDataReady" never came (a flood of posts filled the
// queue and it was refused): once vantor1 has drained its queue it looks into the ring all the
// same, and ends.
TEST(ProgramExit, quitWhoseSignalAFullQueueRefusedStillEndsTheProgram) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string error;
  auto program = hostsim::Program::Spawn({VANTOR1_PATH}, error);
  ASSERT_TRUE(program) << error;
  auto host = hostside::HostSide::Create(program->Thread(), std::nullopt);
  ASSERT_TRUE(host) << host.Message();
  const auto toHost = (*host)->CreatePipe(hostside::PipeEnd::ToHost, 65536);
  const auto toProgram = (*host)->CreatePipe(hostside::PipeEnd::ToProgram, 65536);
  ASSERT_TRUE(toHost && toProgram) << toHost.Message() << toProgram.Message();
  hostsim::Session session(**host, *program, nullptr);
  std::size_t received = 0;
  session.onMessage = [&](const hostside::WireMessage&) { ++received; };
  ASSERT_TRUE(session.AnnounceUntilTaken((*toHost)->Index(), 65536, 20000));
  ASSERT_TRUE(session.AnnounceUntilTaken((*toProgram)->Index(), 65536, 20000));
  const auto deadline = hostsim::Session::Clock::now() + std::chrono::seconds(20);
  while (received < hostside::ExpectedHandshake().size() &&
         hostsim::Session::Clock::now() < deadline) {
    session.WaitUntil(deadline);
  }
  ASSERT_EQ(received, hostside::ExpectedHandshake().size());
  int refused = 0;
  for (int posts = 0; refused < 100 && posts < (1 << 21); ++posts) {
    refused += platform::PostThreadMessage(program->Thread(), 0x7ffe, 0, 0) ? 0 : 1;
  }
  ASSERT_EQ(refused, 100) << "the queue never filled";
  ASSERT_TRUE((*toProgram)->Write(hostside::QuitMessage()).Ok());
  const std::optional<hostsim::ExitStatus> status = program->WaitForExit(10000);
  ASSERT_TRUE(status) << "the quit was left in the ring";
  EXPECT_TRUE(!status->signalled && status->code == 0) << hostsim::Describe(*status);
}

// Another user takes the fallback place of vantor1's directory before it starts: a runtime
// directory of the user's own makes it harmless, else vantor1 refuses the place, saying why.
TEST(HostileStart, AnotherUsersSquatNeitherHangsNorDeafensTheProgram) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root: runs vantor1 and a squatter under two throwaway uids";
  }
  const struct {
    const char* what;
    bool runtimeDir, symlink, works;
  } squats[] = {
      {"directory, runtime dir sound", true, false, true},
      {"directory, no runtime dir", false, false, false},
      {"symlink, no runtime dir", false, true, false},
  };
  uid_t user = 61000 + static_cast<uid_t>(::getpid() % 1000) * 20;
  for (const auto& squat : squats) {
    SCOPED_TRACE(squat.what);
    user += 2;
    const fs::path fallback = "/dev/shm/vantor1-" + std::to_string(user);
    fs::remove_all(fallback);
    ASSERT_EQ(testing_platform::RunInChild([&] {
                return testing_platform::SwitchToUser(user + 1) &&
                       (squat.symlink ? ::symlink("/tmp", fallback.c_str())
                                      : ::mkdir(fallback.c_str(), 0777)) == 0;
              }),
              1);
    const fs::path runtime = squat.runtimeDir ? RuntimeDirFor(user, "sound") : fs::path();
    ProgramRun run(user, runtime);
    run.Go();
    if (squat.works) {
      EXPECT_TRUE(run.WaitUntilRunning()) << run.Errors();
      run.Stop();
    } else {
      // The refusal names the place, its owner and mode, and the way out.
      EXPECT_TRUE(run.EndsSaying(fallback.string() + " is ")) << run.Errors();
      EXPECT_NE(run.Errors().find("of user " + std::to_string(user + 1) + " with mode"),
                std::string::npos)
          << run.Errors();
      EXPECT_NE(run.Errors().find("set XDG_RUNTIME_DIR"), std::string::npos) << run.Errors();
    }
    fs::remove_all(fallback);
    if (!runtime.empty()) {
      fs::remove_all(runtime);
    }
  }
}

// A table others may read could have been written before its mode was narrowed, so its numbers
// are not trusted; storage reserved up front makes a full disk an error at start, not a SIGBUS.
TEST(HostileStart, UntrustedMessageTableOrFullFileSystemEndsTheProgramWithAReason) {
  const fs::path runtime = RuntimeDirFor(::geteuid(), "table");
  fs::create_directory(runtime / "vantor1");
  fs::permissions(runtime / "vantor1", fs::perms::owner_all);
  std::ofstream(runtime / "vantor1" / "msgtable.registered") << "";
  fs::permissions(runtime / "vantor1" / "msgtable.registered", fs::perms(0644));
  ProgramRun untrusted(::geteuid(), runtime);
  untrusted.Go();
  EXPECT_TRUE(untrusted.EndsSaying("cannot register")) << untrusted.Errors();
  fs::remove_all(runtime / "vantor1");
  if (::geteuid() != 0) {
    fs::remove_all(runtime);
    GTEST_SKIP() << "needs root: mounts a small file system in a private mount namespace";
  }
  ProgramRun full(0, runtime, [&] {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", runtime.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
  });
  full.Go();
  EXPECT_TRUE(full.EndsSaying("No space left on device")) << full.Errors();
  fs::remove_all(runtime);
}

}  // namespace
