#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostlink/framing.h"
#include "hostlink/ipc_pipe.h"
#include "watcher/watch_state.h"

// What the program makes of the messages the host writes into the read end (framing and the
// argument payload: hostlink/framing.h), by kind:
//   1, 2, 3, 9, 1000, 1002, 1004   data: payload kept as is, unexamined
//   4, 5, 6, 7, 8, 10, 11          value: a 16-bit value, length 2
//   1001                           argument message; handed to the observation policy, which
//                                  acts on types 0 and 43 and examines argument 0 of every type
//   1003                           quit: no payload; sets WatchState::quitRequested
//   anything else                  not listed: skipped, and the read reports no message
struct HostMessage {
  std::int16_t kind = 0;
  std::int16_t length = 0;

  // Data kinds: exactly `length` bytes.
  std::vector<std::uint8_t> payload;

  // Value kinds: the first two payload bytes as a little-endian value (missing bytes read 0).
  std::uint16_t value = 0;

  // Argument messages: the first ten payload bytes as received (bytes past a shorter payload
  // read 0), and the arguments found inside the payload. `args` may hold fewer entries than
  // ArgCount() says: arguments that the payload does not hold are absent.
  std::array<std::uint8_t, kArgumentHeadSize> head{};
  std::vector<std::string> args;

  std::int16_t Type() const;
  std::int16_t ArgCount() const;
  // Argument i, or an empty string when it is absent.
  const std::string& Arg(std::size_t i) const;
};

enum class HostKindClass { Data, Value, Argument, Quit, Unlisted };
HostKindClass ClassifyHostKind(std::int16_t kind);

// Decodes the next message in readPipe. Null when the ring is empty, the header is incomplete
// (1 to 3 bytes) or unreadable, the length is negative, or the kind is not listed (its payload
// is still taken out of the ring so that the next message starts at the right byte).
//
// Every complete header first starts a new claim second when the calendar second has moved
// past state.claimSecond (claimedBoards falls back to watchedCount). An argument message has
// already been handed to HandleArgumentMessage (which may write commands into writePipe) when
// it is returned. The caller owns the record and gives it to ReleaseHostMessage.
std::unique_ptr<HostMessage> ReadHostMessage(CIpcPipe& readPipe, CIpcPipe& writePipe,
                                             WatchState& state);

// Frees a record and everything it owns.
void ReleaseHostMessage(std::unique_ptr<HostMessage> message);
