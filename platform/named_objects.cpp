#include "platform/named_objects.h"

#ifndef _WIN32
#include "platform/posix/user_files.h"
#endif

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

std::string ObjectPlaceProblem() {
#ifdef _WIN32
  return {};  // the session's own namespace: no place another user can take
#else
  return detail::PrivateDirProblem();
#endif
}

}  // namespace platform
