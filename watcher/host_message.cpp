#include "watcher/host_message.h"

#include <algorithm>

#include "hostlink/framing.h"
#include "watcher/calendar_clock.h"
#include "watcher/policy.h"

namespace {

// Bytes copied into buffer, 0 when the read failed.
std::int32_t ReadUpTo(CIpcPipe& pipe, void* buffer, std::int32_t count) {
  if (count <= 0) {
    return 0;
  }
  return std::max<std::int32_t>(pipe.Read(buffer, count), 0);
}

// Takes up to count bytes out of the ring without keeping them.
void Skip(CIpcPipe& pipe, std::int32_t count) {
  std::uint8_t scratch[512];
  while (count > 0) {
    const std::int32_t chunk = std::min<std::int32_t>(count, sizeof scratch);
    const std::int32_t got = ReadUpTo(pipe, scratch, chunk);
    if (got <= 0) {
      return;
    }
    count -= got;
  }
}

void ResetClaimOnNewSecond(WatchState& state) {
  const std::int64_t now = CalendarSeconds();
  if (now > state.claimSecond) {
    state.claimSecond = now;
    state.claimedBoards = state.watchedCount;
  }
}

std::unique_ptr<HostMessage> ReadData(CIpcPipe& readPipe, std::unique_ptr<HostMessage> message) {
  message->payload.resize(static_cast<std::size_t>(message->length));
  ReadUpTo(readPipe, message->payload.data(), message->length);
  return message;
}

std::unique_ptr<HostMessage> ReadValue(CIpcPipe& readPipe, std::unique_ptr<HostMessage> message) {
  // Only two bytes are kept, but the whole payload leaves the ring so that the next message
  // starts where it should.
  std::uint8_t bytes[2] = {0, 0};
  const std::int32_t kept = std::min<std::int32_t>(message->length, 2);
  const std::int32_t got = ReadUpTo(readPipe, bytes, kept);
  if (got == kept) {
    Skip(readPipe, message->length - kept);
  }
  message->value = LoadLe16(bytes);
  return message;
}

std::unique_ptr<HostMessage> ReadArguments(CIpcPipe& readPipe, CIpcPipe& writePipe,
                                           WatchState& state,
                                           std::unique_ptr<HostMessage> message) {
  std::vector<std::uint8_t> payload(static_cast<std::size_t>(message->length));
  const auto size = static_cast<std::size_t>(ReadUpTo(readPipe, payload.data(), message->length));
  std::copy_n(payload.begin(), std::min(size, message->head.size()), message->head.begin());
  message->args = ParseArguments(std::span(payload).first(size), message->ArgCount());
  HandleArgumentMessage(*message, writePipe, state);
  return message;
}

}  // namespace

std::int16_t HostMessage::Type() const {
  return ArgumentType(head.data());
}

std::int16_t HostMessage::ArgCount() const {
  return ArgumentCount(head.data());
}

const std::string& HostMessage::Arg(std::size_t i) const {
  static const std::string kAbsent;
  return i < args.size() ? args[i] : kAbsent;
}

HostKindClass ClassifyHostKind(std::int16_t kind) {
  switch (kind) {
    case 1:
    case 2:
    case 3:
    case 9:
    case 1000:
    case 1002:
    case 1004:
      return HostKindClass::Data;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
      return HostKindClass::Value;
    case kArgumentKind:
      return HostKindClass::Argument;
    case kQuitKind:
      return HostKindClass::Quit;
    default:
      return HostKindClass::Unlisted;
  }
}

std::unique_ptr<HostMessage> ReadHostMessage(CIpcPipe& readPipe, CIpcPipe& writePipe,
                                             WatchState& state) {
  std::uint8_t header[kFrameHeaderSize];
  if (readPipe.Read(header, kFrameHeaderSize) != kFrameHeaderSize) {
    return nullptr;  // empty ring, a torn header or a failed lock
  }
  ResetClaimOnNewSecond(state);

  // Both fields are read as signed, as the host writes them.
  const FrameHeader fields = LoadFrameHeader(header);
  const auto kind = static_cast<std::int16_t>(fields.kind);
  const auto length = static_cast<std::int16_t>(fields.length);
  if (length < 0) {
    return nullptr;  // outside the format; nothing is allocated for it
  }
  const HostKindClass kindClass = ClassifyHostKind(kind);
  if (kindClass == HostKindClass::Unlisted) {
    Skip(readPipe, length);
    return nullptr;
  }

  auto message = std::make_unique<HostMessage>();
  message->kind = kind;
  message->length = length;
  switch (kindClass) {
    case HostKindClass::Data:
      return ReadData(readPipe, std::move(message));
    case HostKindClass::Value:
      return ReadValue(readPipe, std::move(message));
    case HostKindClass::Argument:
      return ReadArguments(readPipe, writePipe, state, std::move(message));
    case HostKindClass::Quit:
      // A quit carries no payload; any bytes a host put there anyway are dropped so that the
      // messages after it in this drain are read from the right byte.
      Skip(readPipe, length);
      state.quitRequested = true;
      return message;
    case HostKindClass::Unlisted:
      break;
  }
  return nullptr;
}

void ReleaseHostMessage(std::unique_ptr<HostMessage> message) {
  message.reset();
}
