#include "relay/server_stream.h"

namespace relay {

void ServerStream::Feed(std::span<const std::uint8_t> bytes, Clock::time_point now,
                        const NoteFn& onNote) {
  const LineReader::LineFn whole = [&](std::string_view line) {
    for (const HostNote& note : translate_.Translate(line)) {
      onNote(note);
    }
  };
  reader_.Feed(bytes, [&](std::string_view raw) {
    const std::string line = WithoutEscapes(raw);
    if (!login_.Ready()) {
      login_.ServerLine(line);
      CheckLogin(onNote);
    }
    joiner_.Add(line, whole);
  });
  const std::string_view partial = reader_.Partial();
  joiner_.Next(partial, whole);
  joinUntil_ = joiner_.Holding() ? std::optional(now + kJoinWait) : std::nullopt;
  // The login's questions and prompts are short; a longer unended line is none of them, and
  // looking at it after every read of a server that sends a byte at a time would cost the
  // square of its length.
  if (!login_.Ready() && partial.size() <= kLongestQuestion) {
    login_.ServerPartial(WithoutEscapes(partial));
    CheckLogin(onNote);
  }
}

void ServerStream::OnTime(Clock::time_point now, const NoteFn& onNote) {
  if (joinUntil_ && now >= *joinUntil_) {
    joinUntil_.reset();
    joiner_.Flush([&](std::string_view line) {
      for (const HostNote& note : translate_.Translate(line)) {
        onNote(note);
      }
    });
  }
}

void ServerStream::CheckLogin(const NoteFn& onNote) {
  if (login_.Ready() && !identityTold_) {
    identityTold_ = true;
    translate_.SetUser(login_.Name());
    onNote({0, {login_.Name()}});
  }
}

}  // namespace relay
