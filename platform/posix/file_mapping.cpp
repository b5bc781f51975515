#include "platform/file_mapping.h"

#include <unistd.h>

#include "platform/posix/user_files.h"

namespace platform {

namespace {

using detail::SharedMap;
using detail::UniqueFd;

class PosixMappedView final : public MappedView {
 public:
  explicit PosixMappedView(SharedMap map) : map_(std::move(map)) {}
  std::uint8_t* Data() const override { return static_cast<std::uint8_t*>(map_.Addr()); }
  std::size_t Size() const override { return map_.Size(); }
  bool Damaged() const override { return map_.Damaged(); }

 private:
  SharedMap map_;
};

// The shared object "map.<name>" in the private directory: plain bytes, laid out by its users.
class PosixFileMapping final : public FileMapping {
 public:
  PosixFileMapping(std::string path, UniqueFd fd, bool creator)
      : path_(std::move(path)), fd_(std::move(fd)), creatorPid_(creator ? ::getpid() : 0) {}

  ~PosixFileMapping() override {
    // A forked child inherits the object but not the name.
    if (creatorPid_ != 0 && creatorPid_ == ::getpid()) {
      detail::UnlinkIfSame(path_, fd_.Get());
    }
  }

  std::size_t ObjectSize() const override {
    long long size = detail::ObjectSizeOf(fd_.Get());
    return size < 0 ? 0 : static_cast<std::size_t>(size);
  }

  std::unique_ptr<MappedView> MapView(std::size_t size) override {
    // Bytes of a view beyond the object's end would raise SIGBUS on first touch, so the
    // object's current size is checked before mapping instead.
    if (size == 0 || size > ObjectSize()) {
      return nullptr;
    }
    SharedMap map(fd_.Get(), size);
    if (!map.Valid()) {
      return nullptr;
    }
    return std::make_unique<PosixMappedView>(std::move(map));
  }

 private:
  std::string path_;
  UniqueFd fd_;
  pid_t creatorPid_;
};

}  // namespace

std::unique_ptr<FileMapping> FileMapping::Create(const std::string& name, std::size_t size) {
  if (size == 0) {
    return nullptr;
  }
  std::string path = detail::UserObjectPath("map", name);
  UniqueFd fd = detail::CreateUserFile(path, size);
  if (!fd.Valid()) {
    return nullptr;
  }
  return std::make_unique<PosixFileMapping>(std::move(path), std::move(fd), true);
}

std::unique_ptr<FileMapping> FileMapping::Open(const std::string& name) {
  UniqueFd fd = detail::OpenUserFile(detail::UserObjectPath("map", name));
  if (!fd.Valid()) {
    return nullptr;
  }
  return std::make_unique<PosixFileMapping>(detail::UserObjectPath("map", name), std::move(fd),
                                            false);
}

}  // namespace platform
