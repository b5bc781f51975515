#include "platform/registered_message.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/ascii_case.h"
#include "platform/robust_mutex.h"
#include "platform/user_shm.h"

namespace platform {

namespace {

using detail::SharedMap;
using detail::UniqueFd;

// The user's table "/vantor1.u<uid>.msgtable.registered", shared by all the user's processes and
// never removed, so that numbers stay the same for as long as the machine runs.
//
// | offset | width        | field                                                     |
// |--------|--------------|-----------------------------------------------------------|
// | 0      | 4            | magic, stored last by the initialiser                      |
// | 4      | 4            | count of entries in use (trusted only up to kCapacity)     |
// | 8      | 40           | robust process-shared pthread mutex guarding count/entries |
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
  pthread_mutex_t mutex;
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

// Opens or makes the user's table. An exclusive flock serialises first-time set-up between
// processes; it is released by the kernel if the initialiser dies, and the next opener then
// finds no magic and sets the table up again.
SharedMap OpenTable() {
  std::string posixName = detail::UserObjectName("msgtable", "registered");
  UniqueFd fd(::shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX) != 0) {
    return {};
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || st.st_uid != ::geteuid()) {
    return {};
  }
  if (st.st_size == 0 && (::fchmod(fd.Get(), 0600) != 0 ||
                          ::ftruncate(fd.Get(), static_cast<off_t>(sizeof(Table))) != 0)) {
    return {};
  }
  if (!detail::IsPrivateToUser(fd.Get()) ||
      detail::ObjectSizeOf(fd.Get()) != static_cast<long long>(sizeof(Table))) {
    return {};
  }
  SharedMap map(fd.Get(), sizeof(Table));
  auto* table = static_cast<Table*>(map.Addr());
  if (map.Valid() && table->header.magic.load(std::memory_order_acquire) != kTableMagic) {
    table->header.count = 0;
    if (!detail::InitRobustMutex(&table->header.mutex, /*recursive=*/false)) {
      return {};
    }
    table->header.magic.store(kTableMagic, std::memory_order_release);
  }
  ::flock(fd.Get(), LOCK_UN);
  return map;
}

// The calling process's mapping of its user's table; remade when the effective user changed.
Table* UserTable() {
  static std::mutex guard;
  static uid_t mappedFor = 0;
  static auto* map = new SharedMap();  // kept until the process ends
  std::lock_guard<std::mutex> lock(guard);
  if (!map->Valid() || mappedFor != ::geteuid()) {
    *map = OpenTable();
    mappedFor = ::geteuid();
  }
  return static_cast<Table*>(map->Addr());
}

}  // namespace

std::uint32_t RegisterMessage(std::string_view name) {
  if (name.empty() || name.size() > kMaxName) {
    return 0;
  }
  Table* table = UserTable();
  if (table == nullptr) {
    return 0;
  }
  detail::RobustLock lock(&table->header.mutex);
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
    return 0;
  }
  Entry& entry = table->entries[count];
  std::memcpy(entry.name, name.data(), name.size());
  entry.length = static_cast<std::uint8_t>(name.size());
  table->header.count = count + 1;
  return kFirstNumber + count;
}

}  // namespace platform
