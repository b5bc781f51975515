#include "platform/posix/user_files.h"

#include "platform/posix/shared_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace platform::detail {

namespace {

// A directory of the effective user's that nobody else can enter; lstat, so a symlink fails.
bool IsPrivateDir(const std::string& dir) {
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// Makes `dir` when missing. The user's own directory with a wider mode (umask, an old run) is
// narrowed; anything else (another owner, a symlink, a file) is refused.
bool EnsurePrivateDir(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    return false;
  }
  struct stat st {};
  if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
      (st.st_mode & 077) != 0) {
    ::chmod(dir.c_str(), 0700);
  }
  if (!IsPrivateDir(dir)) {
    errno = EACCES;
    return false;
  }
  return true;
}

}  // namespace

namespace {

// Where the private directory belongs, whether or not it is usable.
std::string PrivateDirPlace() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateDir(runtime)) {
    return std::string(runtime) + "/vantor1";
  }
  // Memory-backed where the system has it, like the runtime directory.
  struct stat st {};
  const bool shm = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode);
  return std::string(shm ? "/dev/shm" : "/tmp") + "/vantor1-" + std::to_string(::geteuid());
}

}  // namespace

std::string PrivateDir() {
  std::string dir = PrivateDirPlace();
  return EnsurePrivateDir(dir) ? dir : std::string();
}

std::string PrivateDirProblem() {
  const std::string dir = PrivateDirPlace();
  if (EnsurePrivateDir(dir)) {
    return {};
  }
  const std::string fix =
      "; remove it (or have its owner remove it), or set XDG_RUNTIME_DIR to a directory of your "
      "own that only you can enter "
      "(mode 0700)";
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    return "cannot make the directory " + dir + ": " + std::strerror(errno) + fix;
  }
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  const char* what = S_ISLNK(st.st_mode)   ? "a symbolic link"
                     : S_ISDIR(st.st_mode) ? "a directory"
                                           : "not a directory";
  return dir + " is " + what + " of user " + std::to_string(st.st_uid) + " with mode " + mode +
         ", where this program needs a directory of its own user (" + std::to_string(::geteuid()) +
         ") that nobody else can enter" + fix;
}

std::string UserObjectPath(std::string_view kind, std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
    errno = EINVAL;
    return {};
  }
  std::string dir = PrivateDir();
  if (dir.empty()) {
    return {};
  }
  dir += '/';
  dir.append(kind);
  dir += '.';
  dir.append(name);
  return dir;
}

void SweepDeadCreators() {
  const std::string dir = PrivateDir();
  DIR* listing = dir.empty() ? nullptr : ::opendir(dir.c_str());
  if (listing == nullptr) {
    return;
  }
  const time_t now = ::time(nullptr);
  while (const dirent* item = ::readdir(listing)) {
    const std::string_view name = item->d_name;
    if (!name.starts_with("map.") && !name.starts_with("mutex.")) {
      continue;
    }
    const std::string path = dir + "/" + std::string(name);
    const UniqueFd fd = OpenUserFile(path);
    struct stat st {};
    // An empty file may be one whose creator has not taken its mark yet.
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || IsMarkHeld(fd.Get(), kCreatorMarkSlot) ||
        (st.st_size == 0 && now - st.st_mtime < 10)) {
      continue;
    }
    UnlinkIfSame(path, fd.Get());
  }
  ::closedir(listing);
}

bool IsPrivateToUser(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    return false;
  }
  return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

long long ObjectSizeOf(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    return -1;
  }
  return static_cast<long long>(st.st_size);
}

namespace {

// The umask may have narrowed the mode; it must be exactly owner read/write. Reserving the
// storage turns a full tmpfs into an error now rather than a SIGBUS at the first touch.
bool Prepare(int fd, std::size_t size) {
  int rc = ::fchmod(fd, 0600) != 0 ? errno : 0;
  if (rc == 0 && size > 0) {
    rc = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
  }
  errno = rc;
  return rc == 0;
}

}  // namespace

UniqueFd CreateUserFile(const std::string& path, std::size_t size) {
  if (path.empty()) {
    if (errno == 0) {
      errno = EINVAL;
    }
    return UniqueFd();
  }
  // A stale file is one a crashed creator of this user left behind.
  ::unlink(path.c_str());
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  // The creator's mark, held for as long as it keeps the file open: SweepDeadCreators tells
  // the files of killed creators by it.
  if (fd.Valid() && (!HoldMark(fd.Get(), kCreatorMarkSlot) || !Prepare(fd.Get(), size))) {
    const int saved = errno;
    ::unlink(path.c_str());
    errno = saved;
    fd.Reset();
  }
  return fd;
}

UniqueFd CreateUnnamedUserFile(std::size_t size) {
  const std::string dir = PrivateDir();
  if (dir.empty()) {
    return UniqueFd();
  }
  UniqueFd fd(::open(dir.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600));
  if (fd.Valid() && !Prepare(fd.Get(), size)) {
    fd.Reset();
  }
  return fd;
}

bool PublishUserFile(int fd, const std::string& path) {
  if (path.empty()) {
    return false;
  }
  ::unlink(path.c_str());
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

UniqueFd OpenUserFile(const std::string& path) {
  if (path.empty()) {
    return UniqueFd();
  }
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Valid() && !IsPrivateToUser(fd.Get())) {
    fd.Reset();
    errno = EACCES;
  }
  return fd;
}

void UnlinkIfSame(const std::string& path, int fd) {
  struct stat mine {};
  struct stat now {};
  if (::fstat(fd, &mine) == 0 && ::lstat(path.c_str(), &now) == 0 && now.st_ino == mine.st_ino &&
      now.st_dev == mine.st_dev) {
    ::unlink(path.c_str());
  }
}

SharedMap::SharedMap(int fd, std::size_t size) {
  if (size == 0) {
    return;
  }
  void* addr = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (addr == MAP_FAILED) {
    return;
  }
  if (!guard_.Guard(addr, size)) {
    ::munmap(addr, size);
    errno = ENOMEM;
    return;
  }
  addr_ = addr;
  size_ = size;
}

SharedMap::SharedMap(SharedMap&& other) noexcept
    : addr_(std::exchange(other.addr_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      guard_(std::move(other.guard_)) {}

SharedMap& SharedMap::operator=(SharedMap&& other) noexcept {
  if (this != &other) {
    Unmap();
    addr_ = std::exchange(other.addr_, nullptr);
    size_ = std::exchange(other.size_, 0);
    guard_ = std::move(other.guard_);
  }
  return *this;
}

SharedMap::~SharedMap() {
  Unmap();
}

void SharedMap::Unmap() {
  if (addr_ != nullptr) {
    guard_.Release();  // before the range can be handed out again
    ::munmap(addr_, size_);
    addr_ = nullptr;
    size_ = 0;
  }
}

}  // namespace platform::detail
