#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "relay/options.h"
#include "relay/session.h"
#include "relay/sockets.h"
#include "relay/vantor_channel.h"

namespace relay {

// The relay's one thread: a poll() loop over the listening socket, every session's two sockets,
// the thread's message queue (vantor1's posts) and each vantor1's end.
class Relay {
 public:
  // Resolves the server, listens and creates the thread's queue.
  static hostside::Result<std::unique_ptr<Relay>> Create(const Options& options,
                                                         std::string vantorProgram);
  const Address& Listening() const { return listening_; }
  const Address& Server() const { return server_; }
  // Runs until `stopFd` or `clientEndFd` (the end of the client that --client started; -1:
  // none) turns readable, then ends every session and vantor1. Returns 0.
  int Run(int stopFd, int clientEndFd);

 private:
  struct Ending {
    std::unique_ptr<VantorChannel> vantor;
    Clock::time_point killAt;
  };
  // What one entry of the poll table watches; `session` for a session's own descriptors. The
  // table is made anew for each turn, and sessions are only removed between turns (Reap).
  struct Watched {
    enum What { Stop, Listener, Posts, ClientEnd, Client, Server, VantorExit, Ending } what;
    Session* session = nullptr;
  };
  Relay() = default;
  void Accept(Clock::time_point now);
  std::unique_ptr<VantorChannel> StartVantor(int session);
  int FreeSlot() const;
  void Reap(Clock::time_point now, bool all);
  int Timeout(Clock::time_point now) const;

  Options options_;
  std::string vantorProgram_;
  Address listening_;
  Address server_;
  Fd listener_;
  std::unique_ptr<VantorPosts> posts_;
  std::vector<std::unique_ptr<Session>> sessions_;
  std::vector<Ending> ending_;  // vantor1s told to quit, waited for a short while
  int nextId_ = 1;
  // Out of descriptors: accepting rests until then, so that the loop does not spin on a
  // listener that stays readable. Logged once per shortage.
  std::optional<Clock::time_point> acceptPausedUntil_;
  bool shortageReported_ = false;
};

}  // namespace relay
