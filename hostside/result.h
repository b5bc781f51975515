#pragma once
// How our code above the OS layer fails: a code that callers act on and a sentence for the user,
// or the value. The OS layer keeps its own conventions; its callers turn them into this.
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace hostside {

enum class ErrorCode {
  Ok,
  Invalid,     // an argument or input that can never work
  System,      // the system refused: no such address, out of descriptors, no permission...
  TooLarge,    // the bytes can never fit in the ring: count >= ringSize
  NoRoom,      // not enough free space in the ring now; nothing stored
  LockFailed,  // the pipe's named mutex could not be taken (its file was damaged)
  LockBusy,    // the other side kept the pipe's named mutex past the bound; nothing touched
  BadIndex,    // an index in the pipe's shared header lies outside the ring; nothing touched
  ViewGone,    // another process shrank the pipe's mapping; the pipe is of no further use
};

// The code in words, for when no better message is at hand.
const char* Describe(ErrorCode code);
// True for the faults after which a pipe can never work again: the program, or someone posing
// as it, damaged the shared objects.
bool Broken(ErrorCode code);

struct Failure {
  ErrorCode code = ErrorCode::Invalid;
  std::string message;
};

// A failure with its message; without one, the code's own words.
inline Failure Fail(ErrorCode code, std::string message = {}) {
  return {code, message.empty() ? Describe(code) : std::move(message)};
}

// The value, or why there is none. Implicit from either, so that a function returns its value
// or Fail(...) alike.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool Ok() const { return value_.has_value(); }
  explicit operator bool() const { return Ok(); }
  ErrorCode Code() const { return Ok() ? ErrorCode::Ok : failure_.code; }
  // Empty while Ok().
  const std::string& Message() const { return failure_.message; }
  // To pass the failure on. Requires !Ok().
  const Failure& Error() const { return failure_; }

  // Require Ok().
  T Take() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }

 private:
  std::optional<T> value_;
  Failure failure_{ErrorCode::Ok, {}};
};

// Success or why not, without a value.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool Ok() const { return failure_.code == ErrorCode::Ok; }
  explicit operator bool() const { return Ok(); }
  ErrorCode Code() const { return failure_.code; }
  const std::string& Message() const { return failure_.message; }
  const Failure& Error() const { return failure_; }

 private:
  Failure failure_{ErrorCode::Ok, {}};
};

// What `make` made, as a result: `make` is a maker of the OS layer, which returns null and leaves
// its reason in the text it is given when it makes nothing.
template <class Make>
auto Made(Make make) -> Result<decltype(make(std::declval<std::string&>()))> {
  std::string error;
  auto made = make(error);
  if (!made) {
    return Fail(ErrorCode::System, std::move(error));
  }
  return made;
}

}  // namespace hostside
