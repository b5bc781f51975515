#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hostside/host_pipe.h"
#include "hostside/pipe_index.h"
#include "hostside/wire.h"
#include "platform/thread_queue.h"

namespace hostside {

// The ring size of a pipe unless told otherwise.
inline constexpr std::int32_t kDefaultRingSize = 65536;

struct Sent {
  bool posted = false;  // "IPCDataReady" reached the consumer's queue
};

// The host's side of the channel, on the thread that creates it: its thread message queue,
// the pipes it created (kept until destruction) and the decoding of what the program writes.
// Its pipes are numbered as hostside/pipe_index.h says, from the base it is given or else
// from this process's private block; scripts name pipes relative to the base.
//
// A session in short: Create; CreatePipe for each direction, then Announce each; watch
// Descriptor() and call TakeIncoming() for what the program writes (its handshake first:
// ExpectedHandshake()); Send frames (hostside/wire.h) to it; end with QuitMessage().
class HostSide {
 public:
  // Creates the calling thread's message queue. `program` is the thread that pipes are
  // announced to. Fails on an odd or negative base or when the system refuses.
  static Result<std::unique_ptr<HostSide>> Create(platform::ThreadId program,
                                                  std::optional<std::int32_t> indexBase);

  platform::ThreadId OwnThread() const { return ownThread_; }
  platform::ThreadId ProgramThread() const { return program_; }
  std::int32_t IndexBase() const { return indexes_->Base(); }
  // Readable while a post from the program waits; watch it with poll().
  int Descriptor() const { return queue_->Descriptor(); }

  // Creates the next pipe of that direction (at most 499 of each). A pipe to the host gets this
  // thread's id at offset 0 before anyone can see it. The pipe stays this object's.
  Result<HostPipe*> CreatePipe(PipeEnd end, std::int32_t ringSize);
  // Posts "IPCNewPipe" (wParam index, lParam ringSize) to the program once.
  bool Announce(std::int32_t index, std::int32_t ringSize);

  // Writes one whole frame into the newest pipe to the program in one locked write, then posts
  // "IPCDataReady" to the thread at its offset 0, or to the program's thread while the program
  // has not opened the pipe yet (the post then queues behind the announcement).
  // Requires HasPipeToProgram().
  Result<Sent> Send(std::span<const std::uint8_t> frame);
  // Posts "IPCDataReady" for the newest pipe to the program without writing (to the
  // program's thread, wParam 0, when there is none).
  bool Signal();
  bool HasPipeToProgram() const { return newestToProgram_ != nullptr; }
  // What the program has still to take from the newest pipe to it; -1 on a fault.
  // Requires HasPipeToProgram().
  std::int32_t WaitingForProgram() { return newestToProgram_->BytesWaiting(); }

  // A post of "IPCDataReady" that the program's full queue refused is kept, since the bytes it
  // announces would otherwise wait unread (a quit among them). While SignalPending(), the host
  // calls RetrySignal every kSignalRetry until a post gets through.
  static constexpr std::chrono::milliseconds kSignalRetry{10};
  bool SignalPending() const { return signalPending_; }
  void RetrySignal();

  // Receives the posts to this thread other than "IPCDataReady", in TakeIncoming.
  std::function<void(const platform::ThreadMessage&)> onOtherPost;

  // Never blocks: takes the pending posts, drains every pipe to the host and returns the
  // whole messages that arrived, in order. Drains on every call, since a post refused for a
  // full queue still leaves a wake-up.
  std::vector<WireMessage> TakeIncoming();
  // A fault seen while draining (an index the program left outside the ring, a lock that
  // failed), once; none when all went well.
  std::optional<std::string> TakeProblem();

 private:
  struct ToHostPipe {
    std::unique_ptr<HostPipe> pipe;
    FrameDecoder decoder;
  };

  HostSide() = default;
  bool PostDataReady(platform::ThreadId thread, std::int32_t index, std::size_t count);

  std::unique_ptr<platform::ThreadMessageQueue> queue_;
  platform::ThreadId ownThread_ = 0;
  platform::ThreadId program_ = 0;
  std::unique_ptr<PipeIndexes> ownIndexes_;  // when given a base
  PipeIndexes* indexes_ = nullptr;
  std::vector<std::unique_ptr<HostPipe>> toProgram_;
  std::vector<ToHostPipe> toHost_;
  HostPipe* newestToProgram_ = nullptr;
  bool signalPending_ = false;
  std::optional<std::string> problem_;
};

}  // namespace hostside
