#include "platform/posix/user_files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

std::string PrivateDir() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir;
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateDir(runtime)) {
    dir = std::string(runtime) + "/vantor1";
  } else {
    // Memory-backed where the system has it, like the runtime directory.
    struct stat st {};
    const bool shm = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode);
    dir = std::string(shm ? "/dev/shm" : "/tmp") + "/vantor1-" + std::to_string(::geteuid());
  }
  return EnsurePrivateDir(dir) ? dir : std::string();
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
  if (fd.Valid() && !Prepare(fd.Get(), size)) {
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
  if (addr != MAP_FAILED) {
    addr_ = addr;
    size_ = size;
  }
}

SharedMap::SharedMap(SharedMap&& other) noexcept
    : addr_(std::exchange(other.addr_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SharedMap& SharedMap::operator=(SharedMap&& other) noexcept {
  if (this != &other) {
    Unmap();
    addr_ = std::exchange(other.addr_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

SharedMap::~SharedMap() {
  Unmap();
}

void SharedMap::Unmap() {
  if (addr_ != nullptr) {
    ::munmap(addr_, size_);
    addr_ = nullptr;
    size_ = 0;
  }
}

}  // namespace platform::detail
