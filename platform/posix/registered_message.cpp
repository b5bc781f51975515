#include "platform/registered_message.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/ascii_case.h"
#include "platform/posix/shared_lock.h"
#include "platform/posix/user_files.h"

namespace platform {

namespace {

using detail::SharedMap;
using detail::UniqueFd;

// The user's table, the file "msgtable" in the private directory, shared by all the user's
// processes and never removed, so that numbers stay the same for as long as the machine runs.
//
// | offset | width        | field                                                     |
// |--------|--------------|-----------------------------------------------------------|
// | 0      | 4            | magic, stored last by the initialiser                      |
// | 4      | 4            | count of entries in use (trusted only up to kCapacity)     |
// | 8      | 4            | lock word (shared_lock.h) guarding count and entries       |
// | 64     | 256 × 16384  | entries: length byte, then up to 255 name bytes            |
//
// Entry i has the number 0xC000 + i. An entry is written before count grows past it, so an
// owner that dies mid-update leaves at worst an unused slot.
constexpr std::uint32_t kFirstNumber = 0xC000;
constexpr std::uint32_t kCapacity = 0x10000 - kFirstNumber;
constexpr std::size_t kMaxName = 255;
constexpr std::uint32_t kTableMagic = 0x56524731;  // "VRG1"

struct Entry {
  std::uint8_t length;
  char name[kMaxName];
};

struct alignas(64) TableHeader {
  std::atomic<std::uint32_t> magic;
  std::uint32_t count;
  std::atomic<std::uint32_t> owner;
};

struct Table {
  TableHeader header;
  Entry entries[kCapacity];
};
static_assert(sizeof(TableHeader) == 64);

bool SameName(const Entry& entry, std::string_view name) {
  if (entry.length != name.size()) {
    return false;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (AsciiLower(entry.name[i]) != AsciiLower(name[i])) {
      return false;
    }
  }
  return true;
}

// The calling process's hold on its user's table.
struct OpenTable {
  UniqueFd fd;
  SharedMap map;
  std::unique_ptr<detail::SharedLock> lock;
  Table* Get() const { return static_cast<Table*>(map.Addr()); }
};

// Opens or makes the user's table. Its owner and mode are checked before anything else; the
// lock then serialises first-time set-up, and an initialiser that died leaves no magic, so the
// next opener sets the table up again.
bool Open(const std::string& path, OpenTable& table) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    return false;
  }
  if (!detail::IsPrivateToUser(fd.Get())) {
    errno = EACCES;
    return false;
  }
  const long long size = detail::ObjectSizeOf(fd.Get());
  if (size == 0) {
    const int rc = ::posix_fallocate(fd.Get(), 0, static_cast<off_t>(sizeof(Table)));
    if (rc != 0) {
      errno = rc;
      return false;
    }
  } else if (size != static_cast<long long>(sizeof(Table))) {
    errno = EINVAL;
    return false;
  }
  SharedMap map(fd.Get(), sizeof(Table));
  if (!map.Valid()) {
    return false;
  }
  auto* header = &static_cast<Table*>(map.Addr())->header;
  auto lock = std::make_unique<detail::SharedLock>(&header->owner, fd.Get());
  {
    detail::ScopedLock held(*lock);
    if (!held.Held()) {
      return false;
    }
    if (header->magic.load(std::memory_order_acquire) != kTableMagic) {
      header->count = 0;
      header->magic.store(kTableMagic, std::memory_order_release);
    }
  }
  table.fd = std::move(fd);
  table.map = std::move(map);
  table.lock = std::move(lock);
  return true;
}

// The calling process's table; opened again when its place changed (another effective user, or
// another runtime directory). Null (errno set) when the table cannot be had.
OpenTable* UserTable() {
  static auto* openedAt = new std::string();
  static auto* table = new OpenTable();  // kept until the process ends
  const std::string path = detail::UserObjectPath("msgtable", "registered");
  if (!table->map.Valid() || path != *openedAt) {
    table->lock.reset();
    *table = OpenTable();
    if (path.empty() || !Open(path, *table)) {
      return nullptr;
    }
    *openedAt = path;
  }
  return table;
}

}  // namespace

std::uint32_t RegisterMessage(std::string_view name) {
  if (name.empty() || name.size() > kMaxName) {
    errno = EINVAL;
    return 0;
  }
  static std::mutex guard;
  std::lock_guard<std::mutex> threads(guard);
  OpenTable* open = UserTable();
  if (open == nullptr) {
    return 0;
  }
  Table* table = open->Get();
  detail::ScopedLock lock(*open->lock);
  if (!lock.Held()) {
    return 0;
  }
  std::uint32_t count = std::min(table->header.count, kCapacity);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (SameName(table->entries[i], name)) {
      return kFirstNumber + i;
    }
  }
  if (count == kCapacity) {
    errno = ENOSPC;
    return 0;
  }
  Entry& entry = table->entries[count];
  std::memcpy(entry.name, name.data(), name.size());
  entry.length = static_cast<std::uint8_t>(name.size());
  table->header.count = count + 1;
  return kFirstNumber + count;
}

}  // namespace platform
