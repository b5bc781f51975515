#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/thread_queue.h"
#include "tools/hostsim/host_pipe.h"
#include "tools/hostsim/wire.h"

namespace hostsim {

// Which way a pipe carries bytes. Odd indexes carry the host's messages to the program (the
// program's read end), even indexes the program's messages to the host (its write end).
enum class PipeEnd { ToProgram, ToHost };

// The ring size of a pipe unless told otherwise.
inline constexpr std::int32_t kDefaultRingSize = 65536;

struct SendResult {
  PipeStatus status = PipeStatus::Ok;
  bool posted = false;  // "IPCDataReady" reached the consumer's queue
};

// The host's side of the channel, on the thread that creates it: its thread message queue,
// the pipes it created (kept until destruction) and the decoding of what the program writes.
//
// Pipe indexes count from an even base: the n-th pipe to the program is base + 2n - 1, the
// n-th to the host base + 2n. Hosts that run at the same time use distinct bases so that their
// named objects never meet; scripts and tests name pipes relative to the base.
class HostSide {
 public:
  // Creates the calling thread's message queue. `program` is the thread that pipes are
  // announced to. Null, with a reason in `error`, on failure or an odd base.
  static std::unique_ptr<HostSide> Create(platform::ThreadId program, std::int32_t indexBase,
                                          std::string& error);

  // A base unlikely to be shared with another host of the user: derived from the process id.
  static std::int32_t PrivateIndexBase();

  platform::ThreadId OwnThread() const { return ownThread_; }
  platform::ThreadId ProgramThread() const { return program_; }
  std::int32_t IndexBase() const { return indexBase_; }
  // Readable while a post from the program waits; watch it with poll().
  int Descriptor() const { return queue_->Descriptor(); }

  // Creates the next pipe of that direction (at most 499 of each). A pipe to the host gets this
  // thread's id at offset 0 before anyone can see it. Null, with a reason in `error`, on failure.
  HostPipe* CreatePipe(PipeEnd end, std::int32_t ringSize, std::string& error);
  // Posts "IPCNewPipe" (wParam index, lParam ringSize) to the program once.
  bool Announce(std::int32_t index, std::int32_t ringSize);

  // Writes one whole frame into the newest pipe to the program in one locked write, then posts
  // "IPCDataReady" to the thread at its offset 0, or to the program's thread while the program
  // has not opened the pipe yet (the post then queues behind the announcement).
  // Requires HasPipeToProgram().
  SendResult Send(std::span<const std::uint8_t> frame);
  // Posts "IPCDataReady" for the newest pipe to the program without writing (to the
  // program's thread, wParam 0, when there is none).
  bool Signal();
  bool HasPipeToProgram() const { return newestToProgram_ != nullptr; }

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
  std::int32_t indexBase_ = 0;
  std::vector<std::unique_ptr<HostPipe>> toProgram_;
  std::vector<ToHostPipe> toHost_;
  HostPipe* newestToProgram_ = nullptr;
  std::optional<std::string> problem_;
};

}  // namespace hostsim
