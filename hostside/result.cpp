#include "hostside/result.h"

namespace hostside {

const char* Describe(ErrorCode code) {
  switch (code) {
    case ErrorCode::Ok:
      return "ok";
    case ErrorCode::Invalid:
      return "invalid";
    case ErrorCode::System:
      return "the system refused";
    case ErrorCode::TooLarge:
      return "message larger than the ring";
    case ErrorCode::NoRoom:
      return "no room in the ring";
    case ErrorCode::LockFailed:
      return "the pipe's mutex could not be taken";
    case ErrorCode::LockBusy:
      return "the pipe's mutex was kept by its other side";
    case ErrorCode::BadIndex:
      return "an index in the pipe's header lies outside the ring";
    case ErrorCode::ViewGone:
      return "the pipe's mapping was shrunk by another process";
  }
  return "?";
}

bool Broken(ErrorCode code) {
  return code == ErrorCode::LockFailed || code == ErrorCode::BadIndex ||
         code == ErrorCode::ViewGone;
}

}  // namespace hostside
