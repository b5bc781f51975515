#include "platform/named_objects.h"

namespace platform {

namespace {

class SystemNamedObjects final : public NamedObjects {
 public:
  std::unique_ptr<NamedMutex> OpenMutex(const std::string& name) override {
    return NamedMutex::Open(name);
  }
  std::unique_ptr<FileMapping> OpenMapping(const std::string& name) override {
    return FileMapping::Open(name);
  }
};

}  // namespace

NamedObjects& SystemObjects() {
  static SystemNamedObjects objects;
  return objects;
}

}  // namespace platform
