// vantor1 started where another user squats its names, or where a killed run left its objects:
// it works, or ends at once with status 1 and a reason on stderr. It never hangs before its
// window and never runs on deaf to the host.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "tests/platform/child_process.h"

namespace {

namespace fs = std::filesystem;
using testing_platform::Child;
using testing_platform::Signal;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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

// One vantor1 run as `uid`, with `runtimeDir` as its XDG_RUNTIME_DIR (none when empty). It
// starts once Go() is called, so that squats can be made knowing its process id.
class ProgramRun {
 public:
  ProgramRun(
      uid_t uid, fs::path runtimeDir, std::function<bool()> prepare = [] { return true; })
      : uid_(uid),
        runtimeDir_(std::move(runtimeDir)),
        prepare_(std::move(prepare)),
        errFile_(fs::temp_directory_path() /
                 ("vantor1-test-err." + std::to_string(::getpid()) + "." + std::to_string(uid))),
        child_([this] {
          if (!go_.WaitFor(20000)) {
            return 126;
          }
          runtimeDir_.empty() ? ::unsetenv("XDG_RUNTIME_DIR")
                              : ::setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
          ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
          ::setenv("HOME", "/nonexistent", 1);
          ::setenv("LSAN_OPTIONS", "suppressions=" EXIT_PATH_LSAN_SUPP ":print_suppressions=0", 1);
          const int err = ::open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
          if (err < 0 || ::dup2(err, 2) != 2 || !prepare_() ||
              !testing_platform::SwitchToUser(uid_)) {
            return 125;
          }
          ::execl(VANTOR1_PATH, VANTOR1_PATH, static_cast<char*>(nullptr));
          return 127;
        }) {}
  ~ProgramRun() { fs::remove(errFile_); }

  pid_t Pid() const { return child_.Pid(); }
  void Go() { go_.Notify(); }

  // Where the program's queue appears once it runs.
  fs::path QueueFile() const {
    const fs::path dir = runtimeDir_.empty() || !Sound(runtimeDir_)
                             ? fs::path("/dev/shm/vantor1-" + std::to_string(uid_))
                             : runtimeDir_ / "vantor1";
    return dir / ("tq." + std::to_string(child_.Pid()));
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
    return child_.Wait();
  }
  int Status() { return child_.Wait(5000); }
  std::string Errors() const { return ReadAll(errFile_); }

 private:
  bool Sound(const fs::path& dir) const {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && st.st_uid == uid_;
  }

  uid_t uid_;
  fs::path runtimeDir_;
  std::function<bool()> prepare_;
  fs::path errFile_;
  Signal go_;
  Child child_;
};

enum class Expect { Works, EndsWithReason };

struct Squat {
  const char* what;
  bool runtimeDir;  // the program has a sound runtime directory
  // Made as the squatter before the program starts; `user` is the program's uid. A squatter
  // that must hold something (a lock) keeps running until `done`.
  std::function<void(uid_t user, pid_t program, Signal& held, Signal& done)> make;
  Expect expect;
};

void Shm(uid_t user, const std::string& name, mode_t mode, bool hold, Signal& held, Signal& done) {
  const std::string path = "/dev/shm/vantor1.u" + std::to_string(user) + "." + name;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, mode);
  ::fchmod(fd, mode);
  if (hold && ::flock(fd, LOCK_EX) == 0) {
    held.Notify();
    done.WaitFor(30000);
  }
}

// Another user takes each name that vantor1 used or uses, before it starts.
TEST(HostileStart, AnotherUsersSquatNeitherHangsNorDeafensTheProgram) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root: runs vantor1 and a squatter under two throwaway uids";
  }
  const auto fallbackDir = [](uid_t user, pid_t, Signal&, Signal&) {
    ::mkdir(("/dev/shm/vantor1-" + std::to_string(user)).c_str(), 0777);
  };
  const Squat squats[] = {
      {"directory at the fallback place, runtime dir sound", true, fallbackDir, Expect::Works},
      {"directory at the fallback place, no runtime dir", false, fallbackDir,
       Expect::EndsWithReason},
      {"symlink at the fallback place", false,
       [](uid_t user, pid_t, Signal&, Signal&) {
         ::symlink("/tmp", ("/dev/shm/vantor1-" + std::to_string(user)).c_str());
       },
       Expect::EndsWithReason},
      {"shared-memory queue name", false,
       [](uid_t user, pid_t program, Signal& held, Signal& done) {
         Shm(user, "tq." + std::to_string(program), 0600, false, held, done);
       },
       Expect::Works},
      {"message table open to all", false,
       [](uid_t user, pid_t, Signal& held, Signal& done) {
         Shm(user, "msgtable.registered", 0666, false, held, done);
       },
       Expect::Works},
      {"message table held locked", false,
       [](uid_t user, pid_t, Signal& held, Signal& done) {
         Shm(user, "msgtable.registered", 0600, true, held, done);
       },
       Expect::Works},
  };
  uid_t user = 61000 + static_cast<uid_t>(::getpid() % 1000) * 20;
  for (const Squat& squat : squats) {
    SCOPED_TRACE(squat.what);
    user += 2;
    const uid_t squatter = user + 1;
    const fs::path fallback = "/dev/shm/vantor1-" + std::to_string(user);
    fs::remove_all(fallback);
    const fs::path runtime = squat.runtimeDir ? RuntimeDirFor(user, "sound") : fs::path();
    ProgramRun run(user, runtime);
    Signal held, done;
    Child squatting([&] {
      if (!testing_platform::SwitchToUser(squatter)) {
        return 1;
      }
      squat.make(user, run.Pid(), held, done);
      held.Notify();
      return 0;
    });
    ASSERT_TRUE(held.WaitFor());
    run.Go();
    if (squat.expect == Expect::Works) {
      EXPECT_TRUE(run.WaitUntilRunning()) << run.Errors();
      run.Stop();
    } else {
      EXPECT_TRUE(run.EndsSaying("vantor1: ")) << run.Errors();
    }
    done.Notify();
    squatting.Wait();
    fs::remove_all(fallback);
    if (!runtime.empty()) {
      fs::remove_all(runtime);
    }
    const std::string shm = "/dev/shm/vantor1.u" + std::to_string(user) + ".";
    fs::remove(shm + "msgtable.registered");
    fs::remove(shm + "tq." + std::to_string(run.Pid()));
  }
}

// A table of the user's own that others may read could have been written before its mode was
// narrowed: its numbers are not trusted, and the program says so instead of running deaf.
TEST(HostileStart, UntrustedMessageTableEndsTheProgramWithAReason) {
  const fs::path runtime = RuntimeDirFor(::geteuid(), "table");
  fs::create_directory(runtime / "vantor1");
  fs::permissions(runtime / "vantor1", fs::perms::owner_all);
  std::ofstream(runtime / "vantor1" / "msgtable.registered") << "";
  fs::permissions(runtime / "vantor1" / "msgtable.registered", fs::perms(0644));
  ProgramRun run(::geteuid(), runtime);
  run.Go();
  EXPECT_TRUE(run.EndsSaying("cannot register")) << run.Errors();
  fs::remove_all(runtime);
}

// The objects' storage is reserved when they are made, so a full file system is a clear error at
// start, not a SIGBUS at the first touch.
TEST(HostileStart, FullFileSystemEndsTheProgramWithNoSpaceLeft) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root: mounts a small file system in a private mount namespace";
  }
  const fs::path runtime = RuntimeDirFor(0, "full");
  ProgramRun run(0, runtime, [&] {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", runtime.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
  });
  run.Go();
  EXPECT_TRUE(run.EndsSaying("No space left on device")) << run.Errors();
  fs::remove_all(runtime);
}

// A killed run leaves its queue and doorbell; the next start removes them.
TEST(HostileStart, NextStartRemovesWhatAKilledRunLeftBehind) {
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
  next.Stop();
  fs::remove_all(runtime);
}

}  // namespace
