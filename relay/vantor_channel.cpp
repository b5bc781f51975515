#include "relay/vantor_channel.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "hostlink/host_session.h"
#include "hostside/host_pipe.h"
#include "hostside/host_side.h"
#include "hostside/pipe_index.h"
#include "hostside/wire.h"
#include "platform/process.h"
#include "platform/thread_queue.h"

namespace relay {

namespace {
constexpr std::int32_t kRingSize = hostside::kDefaultRingSize;
constexpr auto kFirstRetry = std::chrono::milliseconds(1);
constexpr auto kLongestRetry = std::chrono::milliseconds(50);
constexpr int kReapTimeoutMs = 1000;
}  // namespace

struct VantorPosts::Impl {
  std::unique_ptr<platform::ThreadMessageQueue> queue;
  platform::ThreadId thread = 0;
  std::int32_t indexBase = 0;
};

VantorPosts::VantorPosts(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VantorPosts::~VantorPosts() = default;

hostside::Result<std::unique_ptr<VantorPosts>> VantorPosts::Create() {
  auto impl = std::make_unique<Impl>();
  impl->queue = platform::ThreadMessageQueue::Create();
  if (!impl->queue) {
    return hostside::Fail(
        hostside::ErrorCode::System,
        "cannot create the thread's message queue: " + hostside::ObjectsProblem(errno));
  }
  impl->thread = platform::CurrentThreadId();
  impl->indexBase = hostside::PrivateIndexBase();
  return std::unique_ptr<VantorPosts>(new VantorPosts(std::move(impl)));
}

int VantorPosts::Descriptor() const {
  return impl_->queue->Descriptor();
}

void VantorPosts::Clear() {
  impl_->queue->ClearWakeups();
  while (impl_->queue->Take()) {
  }
}

struct VantorChannel::Impl {
  Impl(VantorPosts::Impl& p, std::unique_ptr<platform::Program> process)
      : posts(p), program(std::move(process)) {}

  VantorPosts::Impl& posts;
  std::unique_ptr<platform::Program> program;
  std::unique_ptr<hostside::HostPipe> toHost;     // vantor1's write end, even index
  std::unique_ptr<hostside::HostPipe> toProgram;  // vantor1's read end, odd index
  hostside::FrameDecoder decoder;
  int announced = 0;  // pipes taken so far: the write end first, then the read end
  bool attached = false;
  bool gaveUp = false;
  bool endReported = false;
  std::size_t unsignalled = 0;  // bytes written since vantor1 was last told
  bool postPending = false;     // a post of "IPCDataReady" was refused: made again at nextPost
  Clock::time_point nextPost{};
  std::optional<std::string> broken;
  Clock::time_point nextTry = Clock::now();
  Clock::duration retry = kFirstRetry;
  Clock::time_point giveUpAt = Clock::now() + kAnnounceTimeout;

  platform::ThreadId ReaderOf(const hostside::HostPipe& pipe) const {
    const platform::ThreadId reader = pipe.LoadReaderThreadId();
    return reader != 0 ? reader : program->Thread();
  }
  void PostDataReady(std::size_t count) {
    postPending = !platform::PostThreadMessage(ReaderOf(*toProgram), IpcDataReadyMessage(),
                                               static_cast<platform::WParam>(toProgram->Index()),
                                               static_cast<platform::LParam>(count));
    nextPost = Clock::now() + kPostRetry;
  }
  // Ok or a fault that may pass; a fault that cannot marks the channel broken.
  bool Check(hostside::ErrorCode code, const hostside::HostPipe& pipe) {
    if (hostside::Broken(code) && !broken) {
      broken = "pipe " + std::to_string(pipe.Index()) + ": " + hostside::Describe(code);
    }
    return code == hostside::ErrorCode::Ok;
  }
};

VantorChannel::VantorChannel(std::unique_ptr<Impl> impl, int slot)
    : impl_(std::move(impl)), slot_(slot) {}

VantorChannel::~VantorChannel() {
  Kill();
}

namespace {

hostside::Result<std::unique_ptr<hostside::HostPipe>> CreatePipe(std::int32_t index,
                                                                 platform::ThreadId reader) {
  hostside::Result<std::unique_ptr<hostside::HostPipe>> pipe =
      hostside::HostPipe::Create(index, kRingSize);
  if (pipe) {
    (*pipe)->SetLockBound(VantorChannel::kLockBound);
  }
  if (pipe && reader != 0) {
    (*pipe)->StoreReaderThreadId(reader);
  }
  return pipe;
}

}  // namespace

hostside::Result<std::unique_ptr<VantorChannel>> VantorChannel::Spawn(VantorPosts& posts,
                                                                      const std::string& program,
                                                                      int slot) {
  hostside::Result<std::unique_ptr<platform::Program>> process = hostside::Made(
      [&](std::string& error) { return platform::Program::Spawn({program}, error); });
  if (!process) {
    return process.Error();
  }
  return Finish(std::make_unique<Impl>(*posts.impl_, std::move(process).Take()), slot);
}

hostside::Result<std::unique_ptr<VantorChannel>> VantorChannel::Attach(VantorPosts& posts,
                                                                       platform::ThreadId attachTo,
                                                                       int slot) {
  auto impl = std::make_unique<Impl>(*posts.impl_, platform::Program::Attach(attachTo));
  if (impl->program->Poll()) {
    return hostside::Fail(hostside::ErrorCode::Invalid,
                          "no process has the thread " + std::to_string(attachTo));
  }
  return Finish(std::move(impl), slot);
}

hostside::Result<std::unique_ptr<VantorChannel>> VantorChannel::Finish(std::unique_ptr<Impl> impl,
                                                                       int slot) {
  auto channel = std::unique_ptr<VantorChannel>(new VantorChannel(std::move(impl), slot));
  Impl& c = *channel->impl_;
  // Slot s owns the indexes base + 2s + 1 (to vantor1) and base + 2s + 2 (to the relay).
  // Without pipes the destructor ends a process started for nothing.
  const std::int32_t base = c.posts.indexBase + 2 * slot;
  hostside::Result<std::unique_ptr<hostside::HostPipe>> toHost =
      CreatePipe(base + 2, c.posts.thread);
  if (!toHost) {
    return toHost.Error();
  }
  hostside::Result<std::unique_ptr<hostside::HostPipe>> toProgram = CreatePipe(base + 1, 0);
  if (!toProgram) {
    return toProgram.Error();
  }
  c.toHost = std::move(toHost).Take();
  c.toProgram = std::move(toProgram).Take();
  return channel;
}

int VantorChannel::Pid() const {
  return static_cast<int>(impl_->program->Thread());
}

int VantorChannel::ExitDescriptor() {
  // Kept until the end is reported, not until the process is reaped: a Poll() elsewhere may
  // reap it first, and the descriptor (readable for good once it ended) is what has it reported.
  return impl_->endReported ? -1 : static_cast<int>(impl_->program->ExitWaitable());
}

std::optional<Clock::time_point> VantorChannel::Deadline() const {
  if (impl_->broken || impl_->gaveUp) {
    return std::nullopt;
  }
  if (impl_->attached) {
    return impl_->postPending ? std::optional(impl_->nextPost) : std::nullopt;
  }
  return impl_->nextTry;
}

VantorChannel::Change VantorChannel::Advance(Clock::time_point now) {
  Impl& c = *impl_;
  if (c.attached && c.postPending && now >= c.nextPost) {
    c.PostDataReady(0);
  }
  if (c.attached || c.gaveUp || now < c.nextTry) {
    return Change::None;
  }
  while (c.announced < 2) {
    const hostside::HostPipe& pipe = c.announced == 0 ? *c.toHost : *c.toProgram;
    if (!platform::PostThreadMessage(c.program->Thread(), IpcNewPipeMessage(),
                                     static_cast<platform::WParam>(pipe.Index()),
                                     pipe.RingSize())) {
      // Its queue appears once its loop begins: try again a little later.
      if (now >= c.giveUpAt || c.program->Poll()) {
        c.gaveUp = true;
        return Change::GaveUp;
      }
      c.nextTry = now + c.retry;
      c.retry = std::min<Clock::duration>(c.retry * 2, kLongestRetry);
      return Change::None;
    }
    ++c.announced;
  }
  c.attached = true;
  // What was written before vantor1 opened its read end waits in the ring: have it read now.
  c.PostDataReady(0);
  return Change::Attached;
}

bool VantorChannel::SendArguments(int type, const std::vector<std::string>& args) {
  const auto frame = hostside::ArgumentMessage(type, args);
  if (!frame || impl_->broken ||
      !impl_->Check(impl_->toProgram->Write(*frame).Code(), *impl_->toProgram)) {
    return false;
  }
  impl_->unsignalled += frame->size();
  return true;
}

void VantorChannel::Signal() {
  // Before the announcements are taken there is nobody to tell; Advance() tells later.
  if (impl_->unsignalled > 0 && impl_->attached) {
    impl_->PostDataReady(impl_->unsignalled);
  }
  impl_->unsignalled = 0;
}

void VantorChannel::SendQuit() {
  const std::vector<std::uint8_t> frame = hostside::QuitMessage();
  if (!impl_->broken && impl_->Check(impl_->toProgram->Write(frame).Code(), *impl_->toProgram)) {
    impl_->unsignalled += frame.size();
  }
  Signal();
}

std::vector<FromVantor> VantorChannel::TakeIncoming() {
  std::vector<FromVantor> out;
  std::vector<std::uint8_t> bytes;
  if (impl_->broken || !impl_->Check(impl_->toHost->ReadAll(bytes).Code(), *impl_->toHost)) {
    return out;
  }
  impl_->decoder.Feed(bytes);
  while (std::optional<hostside::WireMessage> message = impl_->decoder.Next()) {
    // Kind 1 is the client name of the registration, kind 2 a command for the server; the
    // rest of the registration says nothing that the relay needs.
    if (message->kind == 1 || message->kind == 2) {
      const std::string_view text = message->Bytes();
      out.push_back({message->kind == 1 ? FromVantor::Kind::Registered : FromVantor::Kind::Command,
                     std::string(text.substr(0, text.find('\0')))});
    }
  }
  return out;
}

bool VantorChannel::Attached() const {
  return impl_->attached;
}

std::optional<std::string> VantorChannel::Broken() const {
  return impl_->broken;
}

bool VantorChannel::Ended() {
  return impl_->program->Poll().has_value();
}

std::optional<std::string> VantorChannel::TakeEnd() {
  if (impl_->endReported) {
    return std::nullopt;
  }
  const std::optional<platform::ExitStatus> status = impl_->program->Poll();
  if (!status) {
    return std::nullopt;
  }
  impl_->endReported = true;
  return platform::Describe(*status);
}

void VantorChannel::Kill() {
  platform::Program& program = *impl_->program;
  if (program.Spawned() && !program.Poll()) {
    ::kill(static_cast<pid_t>(program.Thread()), SIGKILL);
    program.WaitForExit(kReapTimeoutMs);
  }
}

}  // namespace relay
