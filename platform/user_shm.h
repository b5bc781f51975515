#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

// Named POSIX shared memory private to the effective user. The user's id is part of every
// name, so another user can neither address nor pre-empt the user's objects; objects are
// created with mode 0600 and an object the user does not own, or one that lets others in, is
// refused. Names look like "/vantor1.u<euid>.<kind>.<name>".
namespace platform::detail {

// The caller's part of a name: 1 to kMaxNameLength bytes, no '/' and no NUL.
inline constexpr std::size_t kMaxNameLength = 200;

// The POSIX name for `name` in namespace `kind` of the calling user; empty when `name` is
// unusable.
std::string UserObjectName(std::string_view kind, std::string_view name);

// Creates the object afresh (removing a stale one of the same name) with `size` zero bytes.
// Invalid fd (errno set) on failure.
UniqueFd CreateUserShm(const std::string& posixName, std::size_t size);

// Opens an existing object of the user. Invalid fd when it does not exist, is not the
// user's own, or its mode lets other users read or write it.
UniqueFd OpenUserShm(const std::string& posixName);

// True when `fd` is a regular object owned by the effective user with no group/other access.
bool IsPrivateToUser(int fd);

// The object's size in bytes, or -1.
long long ObjectSizeOf(int fd);

// Removes the name only while it still names the object open on `fd`, so that a creator
// never removes a successor's object.
void UnlinkIfSame(const std::string& posixName, int fd);

// A read/write shared mapping of the first `size` bytes of an object; unmapped when destroyed.
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
  // Forgets the mapping without unmapping it; it stays until the process ends.
  void Abandon() {
    addr_ = nullptr;
    size_ = 0;
  }

 private:
  void Unmap();
  void* addr_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace platform::detail
