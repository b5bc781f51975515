#pragma once
// Named objects in the fuzzer's own memory, handed to CIpcPipe in place of the system's: a lock
// whose owner it can see and a mapping whose bytes it owns.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/named_objects.h"

namespace testhost {

struct MemoryLock {
  bool owned = false;
};

class MemoryObjects final : public platform::NamedObjects {
 public:
  MemoryLock lock;
  std::vector<std::uint8_t> bytes;

  std::unique_ptr<platform::NamedMutex> OpenMutex(const std::string&) override {
    return std::make_unique<Mutex>(lock);
  }
  std::unique_ptr<platform::FileMapping> OpenMapping(const std::string&) override {
    return std::make_unique<Mapping>(bytes);
  }

 private:
  class Mutex final : public platform::NamedMutex {
   public:
    explicit Mutex(MemoryLock& lock) : lock_(lock) {}
    platform::WaitResult Wait(std::chrono::milliseconds) override {
      if (lock_.owned) {
        return platform::WaitResult::Failed;  // would wait for ever
      }
      lock_.owned = true;
      return platform::WaitResult::Signalled;
    }
    bool Release() override { return std::exchange(lock_.owned, false); }

   private:
    MemoryLock& lock_;
  };

  class View final : public platform::MappedView {
   public:
    View(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t* Data() const override { return data_; }
    std::size_t Size() const override { return size_; }

   private:
    std::uint8_t* data_;
    std::size_t size_;
  };

  class Mapping final : public platform::FileMapping {
   public:
    explicit Mapping(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::size_t ObjectSize() const override { return bytes_.size(); }
    std::unique_ptr<platform::MappedView> MapView(std::size_t size) override {
      if (size == 0 || size > bytes_.size()) {
        return nullptr;
      }
      return std::make_unique<View>(bytes_.data(), size);
    }

   private:
    std::vector<std::uint8_t>& bytes_;
  };
};

}  // namespace testhost
