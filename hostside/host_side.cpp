#include "hostside/host_side.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "hostlink/host_session.h"
#include "platform/thread_id.h"

namespace hostside {

Result<std::unique_ptr<HostSide>> HostSide::Create(platform::ThreadId program,
                                                   std::optional<std::int32_t> indexBase) {
  if (indexBase && (*indexBase % 2 != 0 || *indexBase < 0)) {
    return Fail(ErrorCode::Invalid, "the pipe index base must be even and not negative");
  }
  std::unique_ptr<HostSide> host(new HostSide());
  host->queue_ = platform::ThreadMessageQueue::Create();
  if (!host->queue_) {
    return Fail(ErrorCode::System,
                "cannot create the thread message queue: " + ObjectsProblem(errno));
  }
  host->ownThread_ = platform::CurrentThreadId();
  host->program_ = program;
  if (indexBase) {
    host->ownIndexes_ = std::make_unique<PipeIndexes>(*indexBase);
    host->indexes_ = host->ownIndexes_.get();
  } else {
    host->indexes_ = &ProcessPipeIndexes();
  }
  return host;
}

Result<HostPipe*> HostSide::CreatePipe(PipeEnd end, std::int32_t ringSize) {
  const bool toProgram = end == PipeEnd::ToProgram;
  const std::optional<std::int32_t> index = indexes_->Next(end);
  if (!index) {
    return Fail(ErrorCode::System, "no pipe index left");
  }
  Result<std::unique_ptr<HostPipe>> created = HostPipe::Create(*index, ringSize);
  if (!created) {
    return created.Error();
  }
  std::unique_ptr<HostPipe> pipe = std::move(created).Take();
  HostPipe* raw = pipe.get();
  if (toProgram) {
    toProgram_.push_back(std::move(pipe));
    newestToProgram_ = raw;
  } else {
    raw->StoreReaderThreadId(ownThread_);
    toHost_.push_back(ToHostPipe{std::move(pipe), {}});
  }
  return raw;
}

bool HostSide::Announce(std::int32_t index, std::int32_t ringSize) {
  return platform::PostThreadMessage(program_, IpcNewPipeMessage(),
                                     static_cast<platform::WParam>(index), ringSize);
}

bool HostSide::PostDataReady(platform::ThreadId thread, std::int32_t index, std::size_t count) {
  return platform::PostThreadMessage(thread == 0 ? program_ : thread, IpcDataReadyMessage(),
                                     static_cast<platform::WParam>(index),
                                     static_cast<platform::LParam>(count));
}

Result<Sent> HostSide::Send(std::span<const std::uint8_t> frame) {
  const Result<std::uint32_t> reader = newestToProgram_->Write(frame);
  if (!reader) {
    return reader.Error();
  }
  const bool posted = PostDataReady(*reader, newestToProgram_->Index(), frame.size());
  signalPending_ = signalPending_ || !posted;
  return Sent{posted};
}

bool HostSide::Signal() {
  if (!newestToProgram_) {
    return PostDataReady(0, 0, 0);
  }
  const bool posted =
      PostDataReady(newestToProgram_->LoadReaderThreadId(), newestToProgram_->Index(), 0);
  signalPending_ = !posted;
  return posted;
}

void HostSide::RetrySignal() {
  if (signalPending_) {
    Signal();
  }
}

std::vector<WireMessage> HostSide::TakeIncoming() {
  queue_->ClearWakeups();
  // Every "IPCDataReady" means the same here: look into all the pipes.
  while (const auto post = queue_->Take()) {
    if (post->message != IpcDataReadyMessage() && onOtherPost) {
      onOtherPost(*post);
    }
  }
  std::vector<WireMessage> messages;
  std::vector<std::uint8_t> bytes;
  for (ToHostPipe& end : toHost_) {
    bytes.clear();
    const Result<void> read = end.pipe->ReadAll(bytes);
    if (!read && !problem_) {
      problem_ = "pipe " + std::to_string(end.pipe->Index() - IndexBase()) + ": " + read.Message();
    }
    end.decoder.Feed(bytes);
    while (std::optional<WireMessage> message = end.decoder.Next()) {
      messages.push_back(std::move(*message));
    }
  }
  return messages;
}

std::optional<std::string> HostSide::TakeProblem() {
  return std::exchange(problem_, std::nullopt);
}

}  // namespace hostside
