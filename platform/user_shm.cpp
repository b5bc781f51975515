#include "platform/user_shm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::detail {

std::string UserObjectName(std::string_view kind, std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
    return {};
  }
  std::string result = "/vantor1.u" + std::to_string(::geteuid()) + ".";
  result.append(kind);
  result += '.';
  result.append(name);
  return result;
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

UniqueFd CreateUserShm(const std::string& posixName, std::size_t size) {
  if (posixName.empty()) {
    errno = EINVAL;
    return UniqueFd();
  }
  // A stale object is one a crashed creator of this user left behind. Another user's object
  // cannot be removed here (sticky directory), so the exclusive create below then fails.
  ::shm_unlink(posixName.c_str());
  UniqueFd fd(::shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    return fd;
  }
  // The umask may have narrowed the mode; it must be exactly owner read/write.
  if (::fchmod(fd.Get(), 0600) != 0 || ::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
    int saved = errno;
    ::shm_unlink(posixName.c_str());
    errno = saved;
    return UniqueFd();
  }
  return fd;
}

UniqueFd OpenUserShm(const std::string& posixName) {
  if (posixName.empty()) {
    errno = EINVAL;
    return UniqueFd();
  }
  UniqueFd fd(::shm_open(posixName.c_str(), O_RDWR | O_CLOEXEC, 0));
  if (fd.Valid() && !IsPrivateToUser(fd.Get())) {
    fd.Reset();
    errno = EACCES;
  }
  return fd;
}

void UnlinkIfSame(const std::string& posixName, int fd) {
  struct stat mine {};
  if (::fstat(fd, &mine) != 0) {
    return;
  }
  UniqueFd current(::shm_open(posixName.c_str(), O_RDONLY | O_CLOEXEC, 0));
  struct stat now {};
  if (current.Valid() && ::fstat(current.Get(), &now) == 0 && now.st_ino == mine.st_ino &&
      now.st_dev == mine.st_dev) {
    ::shm_unlink(posixName.c_str());
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
