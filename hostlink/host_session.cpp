#include "hostlink/host_session.h"

#include <cstring>
#include <limits>

#include "hostlink/framing.h"
#include "platform/last_error.h"

namespace {

constexpr const char* kClientName = "vantor2008";

bool FitsInt32(std::intptr_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

int SendText(CIpcPipe& pipe, int kind, const char* text) {
  const std::vector<std::uint8_t> frame = FrameText(kind, text);
  if (frame.empty()) {
    platform::SetLastError(CIpcPipe::kErrTooLarge);
    return 0;
  }
  return pipe.Write(frame.data(), static_cast<std::int32_t>(frame.size()));
}

bool StoreCommand(CIpcPipe& pipe, const char* text) {
  platform::SetLastError(0);
  return SendText(pipe, kCommandKind, text) == 1 || platform::GetLastError() == 0;
}

int SendValue(CIpcPipe& pipe, int kind, int value) {
  const auto frame = FrameValue(kind, value);
  return pipe.Write(frame.data(), static_cast<std::int32_t>(frame.size()));
}

const std::vector<std::vector<std::uint8_t>>& HandshakeFrames() {
  static const std::vector<std::vector<std::uint8_t>> frames = [] {
    std::vector<std::vector<std::uint8_t>> all{FrameText(1, kClientName)};
    auto value = [&all](int kind, int v) {
      const auto frame = FrameValue(kind, v);
      all.emplace_back(frame.begin(), frame.end());
    };
    value(4, 1);
    for (int v = 100; v <= 1499; ++v) {
      value(5, v);
    }
    value(6, 43);
    value(6, 0);
    return all;
  }();
  return frames;
}

void SendHandshake(CIpcPipe& pipe) {
  // Results are not looked at: a message that finds no room is dropped and the rest go on.
  for (const std::vector<std::uint8_t>& frame : HandshakeFrames()) {
    pipe.Write(frame.data(), static_cast<std::int32_t>(frame.size()));
  }
}

NewPipeResult HandleNewPipe(platform::WParam index, platform::LParam ringSize) {
  const bool readEnd = index % 2 == 1;
  const auto signedIndex = static_cast<std::intptr_t>(index);
  const bool fits = FitsInt32(signedIndex) && FitsInt32(ringSize);
  const auto pipeIndex = static_cast<std::int32_t>(signedIndex);
  const auto size = static_cast<std::int32_t>(ringSize);
  if (readEnd) {
    return fits && theReadPipe.Open(pipeIndex, size) ? NewPipeResult::ReadOpened
                                                     : NewPipeResult::ReadFailed;
  }
  if (!fits || !theWritePipe.Open(pipeIndex, size)) {
    return NewPipeResult::WriteFailed;
  }
  SendHandshake(theWritePipe);
  return NewPipeResult::WriteOpened;
}
