#pragma once
#include <memory>
#include <string>

#include "platform/file_mapping.h"
#include "platform/named_mutex.h"

namespace platform {

// Opens named objects that another process created. The code that opens them takes one of these,
// so that tests can hand it objects in memory (a lock found abandoned, a mapping that shrinks).
class NamedObjects {
 public:
  virtual ~NamedObjects() = default;
  virtual std::unique_ptr<NamedMutex> OpenMutex(const std::string& name) = 0;
  virtual std::unique_ptr<FileMapping> OpenMapping(const std::string& name) = 0;
};

// The operating system's objects (NamedMutex::Open, FileMapping::Open).
NamedObjects& SystemObjects();

// Why no named object (mutex, mapping, message name, thread queue) can be made here, for the
// user: the place, its owner and mode, and the fix. Empty when nothing stands in the way.
std::string ObjectPlaceProblem();

}  // namespace platform
