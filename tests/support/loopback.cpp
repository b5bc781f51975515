#include "tests/support/loopback.h"

#include "hostlink/framing.h"
#include "hostside/wire.h"

namespace hostside {

Loopback::Loopback(std::int32_t ringSize) {
  Result<std::unique_ptr<HostPipe>> reading = HostPipe::CreateNext(PipeEnd::ToProgram, ringSize);
  Result<std::unique_ptr<HostPipe>> writing = HostPipe::CreateNext(PipeEnd::ToHost, ringSize);
  if (!reading || !writing) {
    return;
  }
  toProgram = std::move(reading).Take();
  toHost = std::move(writing).Take();
  opened_ = readPipe.Open(toProgram->Index(), ringSize) == 1 &&
            writePipe.Open(toHost->Index(), ringSize) == 1;
}

bool Loopback::Put(std::span<const std::uint8_t> bytes) {
  return toProgram->Write(bytes).Ok();
}

std::vector<std::string> Loopback::TakeCommands() {
  FrameDecoder decoder;
  decoder.Feed(toHost->TakeAll());
  std::vector<std::string> texts;
  while (const std::optional<WireMessage> message = decoder.Next()) {
    const std::string_view bytes = message->Bytes();
    if (message->kind != kCommandKind || bytes.empty() || bytes.back() != '\0') {
      texts.push_back("<bad frame>");
      return texts;
    }
    texts.emplace_back(bytes.substr(0, bytes.size() - 1));
  }
  if (decoder.Buffered() > 0) {
    texts.push_back("<bad frame>");
  }
  return texts;
}

}  // namespace hostside
