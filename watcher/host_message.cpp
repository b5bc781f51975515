#include "watcher/host_message.h"

#include <algorithm>

#include "watcher/calendar_clock.h"
#include "watcher/policy.h"

namespace {

constexpr int kHeaderSize = 4;

std::int16_t LittleEndian16(const std::uint8_t* bytes) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)));
}

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

// The argument strings inside payload[10 .. size): argCount of them at most, each up to its
// NUL or the payload's end. Strings the payload does not hold are left out.
std::vector<std::string> SplitArguments(const std::vector<std::uint8_t>& payload, std::size_t size,
                                        std::int16_t argCount) {
  std::vector<std::string> args;
  std::size_t offset = HostMessage::kArgumentHeadSize;
  for (int i = 0; i < argCount && offset < size; ++i) {
    const auto begin = payload.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = payload.begin() + static_cast<std::ptrdiff_t>(size);
    const auto nul = std::find(begin, end, std::uint8_t{0});
    args.emplace_back(begin, nul);
    offset = static_cast<std::size_t>(nul - payload.begin()) + 1;
  }
  return args;
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
  message->value = static_cast<std::uint16_t>(LittleEndian16(bytes));
  return message;
}

std::unique_ptr<HostMessage> ReadArguments(CIpcPipe& readPipe, CIpcPipe& writePipe,
                                           WatchState& state,
                                           std::unique_ptr<HostMessage> message) {
  std::vector<std::uint8_t> payload(static_cast<std::size_t>(message->length));
  const auto size = static_cast<std::size_t>(ReadUpTo(readPipe, payload.data(), message->length));
  std::copy_n(payload.begin(), std::min(size, message->head.size()), message->head.begin());
  message->args = SplitArguments(payload, size, message->ArgCount());
  HandleArgumentMessage(*message, writePipe, state);
  return message;
}

}  // namespace

std::int16_t HostMessage::Type() const {
  return LittleEndian16(&head[2]);
}

std::int16_t HostMessage::ArgCount() const {
  return LittleEndian16(&head[8]);
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
    case HostMessage::kArgumentKind:
      return HostKindClass::Argument;
    case HostMessage::kQuitKind:
      return HostKindClass::Quit;
    default:
      return HostKindClass::Unlisted;
  }
}

std::unique_ptr<HostMessage> ReadHostMessage(CIpcPipe& readPipe, CIpcPipe& writePipe,
                                             WatchState& state) {
  std::uint8_t header[kHeaderSize];
  if (readPipe.Read(header, kHeaderSize) != kHeaderSize) {
    return nullptr;  // empty ring, a torn header or a failed lock
  }
  ResetClaimOnNewSecond(state);

  const std::int16_t kind = LittleEndian16(&header[0]);
  const std::int16_t length = LittleEndian16(&header[2]);
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
