#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A view of a file mapping, mapped for reading and writing until destroyed.
class MappedView {
 public:
  virtual ~MappedView() = default;
  virtual std::uint8_t* Data() const = 0;
  virtual std::size_t Size() const = 0;
  // True once another process shrank the object under the view: what the view shows since is
  // not shared any more, and every operation on it must fail.
  virtual bool Damaged() const { return false; }
};

// Shared memory between the processes of one user under a name, private to the user like
// NamedMutex. The creator's object removes the name when destroyed.
class FileMapping {
 public:
  // Creates a zero-filled mapping object of `size` bytes, replacing a stale one of the user.
  static std::unique_ptr<FileMapping> Create(const std::string& name, std::size_t size);
  // Opens an existing mapping; null when none exists or it is not the user's own.
  static std::unique_ptr<FileMapping> Open(const std::string& name);
  virtual ~FileMapping() = default;

  virtual std::size_t ObjectSize() const = 0;
  // Maps the first `size` bytes. Null at once when size is 0 or larger than the object, so
  // that no access can fault later.
  virtual std::unique_ptr<MappedView> MapView(std::size_t size) = 0;
};

}  // namespace platform
