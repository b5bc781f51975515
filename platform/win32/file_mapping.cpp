#include "platform/file_mapping.h"

#include <cstdint>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

// A section backed by the paging file under the name as given, scoped by the session's
// namespace like the named mutex. The system sizes sections in whole pages, and an opener can
// only learn that rounded size, so ObjectSize is the size of a whole-object view.
namespace platform {

namespace {

using detail::UniqueHandle;

class Win32MappedView final : public MappedView {
 public:
  Win32MappedView(void* base, std::size_t size) : base_(base), size_(size) {}
  ~Win32MappedView() override { ::UnmapViewOfFile(base_); }
  Win32MappedView(const Win32MappedView&) = delete;
  Win32MappedView& operator=(const Win32MappedView&) = delete;

  std::uint8_t* Data() const override { return static_cast<std::uint8_t*>(base_); }
  std::size_t Size() const override { return size_; }

 private:
  void* base_;
  std::size_t size_;
};

// The bytes a view of the whole object covers; 0 when it cannot be mapped.
std::size_t MappableSize(HANDLE mapping) {
  void* base = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  if (base == nullptr) {
    return 0;
  }
  MEMORY_BASIC_INFORMATION info{};
  const bool known = ::VirtualQuery(base, &info, sizeof info) == sizeof info;
  ::UnmapViewOfFile(base);
  return known ? info.RegionSize : 0;
}

class Win32FileMapping final : public FileMapping {
 public:
  explicit Win32FileMapping(UniqueHandle handle)
      : handle_(std::move(handle)), size_(MappableSize(handle_.Get())) {}

  std::size_t ObjectSize() const override { return size_; }

  std::unique_ptr<MappedView> MapView(std::size_t size) override {
    if (size == 0 || size > size_) {
      return nullptr;
    }
    void* base = ::MapViewOfFile(handle_.Get(), FILE_MAP_WRITE, 0, 0, size);
    if (base == nullptr) {
      return nullptr;
    }
    return std::make_unique<Win32MappedView>(base, size);
  }

 private:
  UniqueHandle handle_;
  std::size_t size_;  // sections never change size
};

}  // namespace

std::unique_ptr<FileMapping> FileMapping::Create(const std::string& name, std::size_t size) {
  if (size == 0) {
    return nullptr;
  }
  const auto wide = static_cast<std::uint64_t>(size);
  UniqueHandle handle(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                           static_cast<DWORD>(wide >> 32),
                                           static_cast<DWORD>(wide & 0xFFFFFFFFu), name.c_str()));
  // An existing section keeps its own size and contents: never taken for a fresh one.
  if (!handle.Valid() || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    return nullptr;
  }
  return std::make_unique<Win32FileMapping>(std::move(handle));
}

std::unique_ptr<FileMapping> FileMapping::Open(const std::string& name) {
  UniqueHandle handle(::OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str()));
  if (!handle.Valid()) {
    return nullptr;
  }
  return std::make_unique<Win32FileMapping>(std::move(handle));
}

}  // namespace platform
