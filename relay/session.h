#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "relay/command_queue.h"
#include "relay/line_reader.h"
#include "relay/server_stream.h"
#include "relay/sockets.h"
#include "relay/vantor_channel.h"

namespace relay {

// One line on stderr, "vantor1-relay: TEXT".
void Report(const std::string& text);

// One client's session: its socket, its own connection to the server (connecting when the
// session starts) and its own vantor1, if any. Every byte is passed on unchanged and in order;
// vantor1's commands join the client's stream as whole lines. Nothing here blocks: the relay's
// loop polls the descriptors and calls back.
class Session {
 public:
  // Pending output per direction above which the other side is not read (flow control).
  static constexpr std::size_t kMaxPending = 1 << 20;
  // How long a closing session tries to hand on what it still holds.
  static constexpr auto kDrainTime = std::chrono::seconds(5);
  // After the password, or with vantor1's commands waiting, how long before the log says why.
  static constexpr auto kStallReport = std::chrono::seconds(30);

  Session(int id, Fd client, Fd server, std::unique_ptr<VantorChannel> vantor, bool pause);
  ~Session();

  int Id() const { return id_; }
  int ClientFd() const { return client_.fd.Get(); }
  int ServerFd() const { return server_.fd.Get(); }
  short ClientEvents() const;
  short ServerEvents() const;
  void OnClient(short revents);
  void OnServer(short revents);

  VantorChannel* Vantor() const { return vantor_.get(); }
  // vantor1 may have written: take its registration and commands.
  void OnVantorPosts();
  // vantor1's process may have ended.
  void OnVantorExit();
  std::optional<Clock::time_point> Deadline() const;
  void OnTime(Clock::time_point now);

  // Ends the session as if `why` had happened: vantor1 is told to quit and what is pending is
  // handed on for a short while.
  void End(const std::string& why);
  bool Finished() const { return phase_ == Phase::Finished; }
  // The channel, after the session has finished, for waiting on vantor1's end.
  std::unique_ptr<VantorChannel> TakeVantor() { return std::move(vantor_); }

 private:
  struct Side {
    Fd fd;
    std::string out;  // bytes waiting for the socket, from `sent` on
    std::size_t sent = 0;
    std::size_t Pending() const { return out.size() - sent; }
  };

  void Say(const std::string& text) const;
  // Sends at once what the socket takes and keeps the rest.
  void Forward(Side& to, std::span<const std::uint8_t> bytes);
  void Flush(Side& side);
  void ReadFrom(Side& from, Side& to, bool fromServer);
  void ServerBytes(std::span<const std::uint8_t> bytes);
  void ToVantor(const HostNote& note);
  void ClientLine(std::string_view line);
  void CheckLogin();
  void SetBlockMode(bool on, const char* why);
  bool VantorOn() const { return vantor_ && !wrapped_; }
  // Why vantor1's commands cannot join the stream now; none when they can.
  std::optional<std::string> InjectionBlocked() const;
  void Inject();
  void ReportStalls(Clock::time_point now);
  void FinishIfDrained(Clock::time_point now);

  int id_;
  Side client_;
  Side server_;
  bool connecting_ = true;
  std::unique_ptr<VantorChannel> vantor_;
  ServerStream serverStream_;
  LineReader clientLines_;
  bool loggedIn_ = false;
  bool playing_ = false;  // notifications held back for the user's own game, as last logged
  std::optional<Clock::time_point> enteringSince_;  // the password (or a guest's return) is sent
  bool loginReported_ = false;
  bool firstClientLine_ = true;
  bool wrapped_ = false;    // the client talks through a lag-compensating wrapper
  bool blockMode_ = false;  // the client reads the server's replies in numbered blocks
  CommandQueue commands_;
  std::optional<Clock::time_point> waitingSince_;  // vantor1's commands wait since
  bool waitReported_ = false;
  bool earlyReported_ = false;
  std::size_t linesRelayed_ = 0;
  std::size_t messagesDropped_ = 0;
  // Relaying until either side ends or the relay stops; Ending while what is pending is handed
  // on (kDrainTime at most); Finished once both sockets are closed.
  enum class Phase { Relaying, Ending, Finished };
  Phase phase_ = Phase::Relaying;
  std::string endReason_;
  Clock::time_point drainUntil_{};
};

}  // namespace relay
