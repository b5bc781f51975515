#include "hostlink/object_names.h"

namespace {
constexpr const char* kObjectPrefix = "Corvane2";
}  // namespace

std::string PipeMutexName(std::int32_t index) {
  return std::string(kObjectPrefix) + ".IPCMutex" + std::to_string(index);
}

std::string PipeMappingName(std::int32_t index) {
  return std::string(kObjectPrefix) + ".IPCFileMapping" + std::to_string(index);
}
