#pragma once
// The host's half of vantor1's channel, for the relay. All use of the host's pipes, messages and
// of the vantor1 process goes through this file pair, so that the rest of the relay does not
// depend on how the host side is built.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostside/result.h"
#include "platform/thread_id.h"

namespace relay {

using Clock = std::chrono::steady_clock;

// The relay thread's message queue, shared by every channel: vantor1 posts "IPCDataReady" to the
// thread whose id the host put into the pipe's header.
class VantorPosts {
 public:
  static hostside::Result<std::unique_ptr<VantorPosts>> Create();
  ~VantorPosts();
  int Descriptor() const;
  // Consumes the pending posts; the caller then looks into every channel.
  void Clear();

 private:
  struct Impl;
  explicit VantorPosts(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  friend class VantorChannel;
};

// What vantor1 wrote: its registration (the client name) or a server command.
struct FromVantor {
  enum class Kind { Registered, Command };
  Kind kind = Kind::Command;
  std::string text;
};

// One vantor1 with the two pipes of one session. The pipes are announced until vantor1 takes
// them (it may still be starting), for up to kAnnounceTimeout. Never blocks on vantor1's pace:
// a full ring drops the message, and so does a ring whose mutex vantor1 keeps past kLockBound
// (vantor1 holds it only while it copies; one stopped inside that copy, or a hostile peer,
// costs the relay that bound once, then every try fails at once until the mutex is free). A
// post of "IPCDataReady" refused by vantor1's full queue is made again every kPostRetry.
// Pipe objects that another process damaged (shrunk, indexes outside the ring) make the
// channel Broken: the session then goes on without it.
class VantorChannel {
 public:
  static constexpr auto kAnnounceTimeout = std::chrono::seconds(10);
  // Pipes per relay: slots 0 .. kSlots - 1, one per session that has a vantor1.
  static constexpr int kSlots = 499;
  static constexpr auto kLockBound = std::chrono::milliseconds(2);
  static constexpr auto kPostRetry = std::chrono::milliseconds(10);

  // Starts `program` or works with the running thread `attachTo`, on pipe slot `slot`.
  static hostside::Result<std::unique_ptr<VantorChannel>> Spawn(VantorPosts& posts,
                                                                const std::string& program,
                                                                int slot);
  static hostside::Result<std::unique_ptr<VantorChannel>> Attach(VantorPosts& posts,
                                                                 platform::ThreadId attachTo,
                                                                 int slot);
  ~VantorChannel();

  int Slot() const { return slot_; }
  int Pid() const;
  // Readable when the process has ended; -1 once its end was taken (TakeEnd), or when unknown.
  int ExitDescriptor();
  // When Advance() wants to run again (another announcement, or a refused post); none when it
  // does not.
  std::optional<Clock::time_point> Deadline() const;

  enum class Change { None, Attached, GaveUp };
  bool Attached() const;
  // Announces what is due. Attached once vantor1 took both pipes; GaveUp after the time-out.
  Change Advance(Clock::time_point now);

  // Writes one argument message; false when it was dropped (no room, or vantor1 is gone).
  // vantor1 is told of what was written at the next Signal(), once for many messages.
  bool SendArguments(int type, const std::vector<std::string>& args);
  void Signal();
  // The host's quit message.
  void SendQuit();
  std::vector<FromVantor> TakeIncoming();
  bool Ended();
  // Why the pipes cannot be used any more; none while they work.
  std::optional<std::string> Broken() const;
  // "ended with status 0" and the like, once, when the process has ended.
  std::optional<std::string> TakeEnd();

  // Ends a spawned process that has not ended yet (SIGKILL), and reaps it.
  void Kill();

 private:
  struct Impl;
  explicit VantorChannel(std::unique_ptr<Impl> impl, int slot);
  static hostside::Result<std::unique_ptr<VantorChannel>> Finish(std::unique_ptr<Impl> impl,
                                                                 int slot);
  std::unique_ptr<Impl> impl_;
  int slot_;
};

}  // namespace relay
