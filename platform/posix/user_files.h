#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/posix/mapping_guard.h"
#include "platform/posix/unique_fd.h"

// The files that stand in for named kernel objects: every name lives in a directory that only
// the effective user can enter, "$XDG_RUNTIME_DIR/vantor1" when that runtime directory is sound
// (absolute, the user's own, closed to others), else "/dev/shm/vantor1-<euid>" (or under /tmp
// where there is no /dev/shm). Another user can therefore neither take a name first nor open,
// lock or resize an object. The directory is checked without following symlinks, and every file
// is checked for owner and mode before it is mapped or locked.
namespace platform::detail {

// The caller's part of a name: 1 to kMaxNameLength bytes, no '/' and no NUL.
inline constexpr std::size_t kMaxNameLength = 200;

// The private directory, made when missing; empty (errno EACCES) when the place is taken by
// something that is not a directory of the user's own closed to others.
std::string PrivateDir();
// Why PrivateDir() is empty, for the user: the place, its owner and mode, and the fix. Empty
// when the directory is sound.
std::string PrivateDirProblem();

// "<PrivateDir>/<kind>.<name>"; empty when the directory or the name is unusable.
std::string UserObjectPath(std::string_view kind, std::string_view name);

// Creates the file afresh (removing a stale one) with `size` zero bytes whose storage is
// reserved now, so that a full file system fails here (ENOSPC) and never later as a fault on
// first touch. Invalid fd (errno set) on failure. The open file holds the creator's mark (a
// lock on byte kCreatorMarkSlot) until it is closed or the process ends.
inline constexpr long long kCreatorMarkSlot = 0;
UniqueFd CreateUserFile(const std::string& path, std::size_t size);
// Removes the named mutexes and mappings whose creator ended without removing them (killed):
// those whose creator's mark nobody holds.
void SweepDeadCreators();

// The same without a name, for a file that must be complete before anyone can find it: name it
// with PublishUserFile once it is ready.
UniqueFd CreateUnnamedUserFile(std::size_t size);
// Names the file open on `fd` (made by CreateUnnamedUserFile) `path`, replacing a stale file of
// that name. False (errno set) on failure.
bool PublishUserFile(int fd, const std::string& path);

// Opens an existing file of the user. Invalid fd when it does not exist, is a symlink, is not
// the user's own, or lets other users in.
UniqueFd OpenUserFile(const std::string& path);

// True when `fd` is a regular file owned by the effective user with no group/other access.
bool IsPrivateToUser(int fd);

// The file's size in bytes, or -1.
long long ObjectSizeOf(int fd);

// Removes the name only while it still names the file open on `fd`, so that a creator never
// removes a successor's file.
void UnlinkIfSame(const std::string& path, int fd);

// A read/write shared mapping of the first `size` bytes of a file; unmapped when destroyed.
// Guarded (mapping_guard.h): a peer that shrinks the file marks it Damaged instead of ending us.
class SharedMap {
 public:
  SharedMap() = default;
  SharedMap(int fd, std::size_t size);
  SharedMap(SharedMap&& other) noexcept;
  SharedMap& operator=(SharedMap&& other) noexcept;
  SharedMap(const SharedMap&) = delete;
  SharedMap& operator=(const SharedMap&) = delete;
  ~SharedMap();

  bool Valid() const { return addr_ != nullptr; }
  void* Addr() const { return addr_; }
  std::size_t Size() const { return size_; }
  bool Damaged() const { return guard_.Damaged(); }

 private:
  void Unmap();
  void* addr_ = nullptr;
  std::size_t size_ = 0;
  MappingGuard guard_;
};

}  // namespace platform::detail
