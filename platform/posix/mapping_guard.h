#pragma once
#include <cstddef>
#include <utility>

// Shared mappings of files that a peer of the same user can shrink. Touching a page beyond the
// file's new end raises SIGBUS, which would end the process. A guarded range survives it: the
// handler puts private zero pages in place of the whole range and marks it damaged, and the
// faulting access goes on against them. Its user checks Damaged() after each operation and
// fails that operation; the zero pages never reach a peer. Checking costs one load.
namespace platform::detail {

class MappingGuard {
 public:
  MappingGuard() = default;
  MappingGuard(MappingGuard&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}
  MappingGuard& operator=(MappingGuard&& other) noexcept {
    if (this != &other) {
      Release();
      slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
  }
  ~MappingGuard() { Release(); }
  // False when every slot is taken (the range then stays unguarded).
  bool Guard(void* addr, std::size_t size);
  void Release();
  bool Damaged() const;

 private:
  int slot_ = -1;
};

}  // namespace platform::detail
