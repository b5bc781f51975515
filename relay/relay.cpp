#include "relay/relay.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace relay {

namespace {
// How long a vantor1 told to quit may take before it is ended.
constexpr auto kQuitGrace = std::chrono::seconds(2);
// How long accepting rests when the process or the system is out of descriptors.
constexpr auto kAcceptRest = std::chrono::milliseconds(250);
}  // namespace

hostside::Result<std::unique_ptr<Relay>> Relay::Create(const Options& options,
                                                       std::string vantorProgram) {
  std::unique_ptr<Relay> relay(new Relay());
  relay->options_ = options;
  relay->vantorProgram_ = std::move(vantorProgram);
  const hostside::Result<Address> server = Resolve(options.server, false);
  if (!server) {
    return server.Error();
  }
  const hostside::Result<Address> listen = Resolve(options.listen, true);
  if (!listen) {
    return listen.Error();
  }
  relay->server_ = *server;
  hostside::Result<Fd> listener = Listen(*listen);
  if (!listener) {
    return listener.Error();
  }
  relay->listener_ = std::move(listener).Take();
  relay->listening_ = LocalAddress(relay->listener_.Get());
  hostside::Result<std::unique_ptr<VantorPosts>> posts = VantorPosts::Create();
  if (!posts) {
    return posts.Error();
  }
  relay->posts_ = std::move(posts).Take();
  return relay;
}

int Relay::FreeSlot() const {
  std::vector<bool> used(VantorChannel::kSlots);
  for (const auto& session : sessions_) {
    if (session->Vantor()) {
      used[static_cast<std::size_t>(session->Vantor()->Slot())] = true;
    }
  }
  for (const Ending& end : ending_) {
    used[static_cast<std::size_t>(end.vantor->Slot())] = true;
  }
  const auto free = std::find(used.begin(), used.end(), false);
  return free == used.end() ? -1 : static_cast<int>(free - used.begin());
}

std::unique_ptr<VantorChannel> Relay::StartVantor(int session) {
  const std::string prefix = "session " + std::to_string(session) + ": ";
  const int slot = FreeSlot();
  if (options_.attachTo) {
    const bool busy = std::any_of(sessions_.begin(), sessions_.end(),
                                  [](const auto& s) { return s->Vantor() != nullptr; });
    if (busy || slot < 0) {
      Report(prefix + "vantor1 is with another session; this one goes on without it");
      return nullptr;
    }
  } else if (slot < 0) {
    Report(prefix + "too many sessions for another vantor1; this one goes on without it");
    return nullptr;
  }
  hostside::Result<std::unique_ptr<VantorChannel>> started =
      options_.attachTo ? VantorChannel::Attach(*posts_, *options_.attachTo, slot)
                        : VantorChannel::Spawn(*posts_, vantorProgram_, slot);
  if (!started) {
    Report(prefix + "vantor1: " + started.Message() + "; the session goes on without it");
    return nullptr;
  }
  std::unique_ptr<VantorChannel> vantor = std::move(started).Take();
  Report(prefix + (options_.attachTo ? "working with vantor1 (thread " : "vantor1 started (pid ") +
         std::to_string(vantor->Pid()) + ")");
  return vantor;
}

void Relay::Accept(Clock::time_point now) {
  Address peer;
  Fd client = relay::Accept(listener_.Get(), peer);
  if (!client.Valid()) {
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      if (!std::exchange(shortageReported_, true)) {
        Report(std::string("cannot accept a client: ") + std::strerror(errno) +
               "; waiting clients are taken once sessions end");
      }
      acceptPausedUntil_ = now + kAcceptRest;
    }
    return;
  }
  shortageReported_ = false;
  const int id = nextId_++;
  const std::string prefix = "session " + std::to_string(id) + ": ";
  Report(prefix + "client " + Describe(peer) + " connected");
  hostside::Result<Fd> server = StartConnect(server_);
  if (!server) {
    Report(prefix + server.Message() + "; closing the client");
    // One line for the user's client, which has just connected and so has room for it.
    const std::string line = "vantor1-relay: " + server.Message() + "\r\n";
    (void)send(client.Get(), line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return;
  }
  sessions_.push_back(std::make_unique<Session>(id, std::move(client), std::move(server).Take(),
                                                StartVantor(id), options_.pause));
}

void Relay::Reap(Clock::time_point now, bool all) {
  for (auto& session : sessions_) {
    // Damaged pipes end this session's vantor1, not the session nor any other.
    if (session->Vantor() != nullptr && session->Vantor()->Broken()) {
      Report("session " + std::to_string(session->Id()) + ": vantor1's " +
             *session->Vantor()->Broken() + "; the session goes on without it");
      ending_.push_back({session->TakeVantor(), now});
    }
  }
  for (auto& session : sessions_) {
    if (session->Finished() || all) {
      if (!session->Finished()) {
        session->End("the relay is stopping");
      }
      if (std::unique_ptr<VantorChannel> vantor = session->TakeVantor()) {
        // One that never took its pipes cannot read the quit message either.
        const auto grace = vantor->Attached() ? kQuitGrace : Clock::duration::zero();
        ending_.push_back({std::move(vantor), now + grace});
      }
    }
  }
  std::erase_if(sessions_, [](const auto& s) { return s->Finished(); });
  // Destroying a channel ends its process if it is still there.
  std::erase_if(ending_, [&](Ending& e) { return e.vantor->Ended() || now >= e.killAt; });
}

int Relay::Timeout(Clock::time_point now) const {
  std::optional<Clock::time_point> next;
  auto consider = [&](std::optional<Clock::time_point> t) {
    if (t && (!next || *t < *next)) {
      next = t;
    }
  };
  for (const auto& session : sessions_) {
    consider(session->Deadline());
  }
  for (const Ending& end : ending_) {
    consider(end.killAt);
  }
  consider(acceptPausedUntil_);
  if (!next) {
    return -1;
  }
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 60 * 1000));
}

int Relay::Run(int stopFd, int clientEndFd) {
  std::vector<pollfd> fds;
  std::vector<Watched> watched;
  bool stopping = false;
  for (;;) {
    const Clock::time_point now = Clock::now();
    for (auto& session : sessions_) {
      session->OnTime(now);
    }
    Reap(now, stopping);
    if (stopping && sessions_.empty() && ending_.empty()) {
      return 0;
    }
    // Each entry names what it watches, so that a ready descriptor is handed to its own session
    // whatever the order of the sessions.
    fds.clear();
    watched.clear();
    auto watch = [&](int fd, short events, Watched what) {
      fds.push_back({fd, events, 0});
      watched.push_back(what);
    };
    watch(stopping ? -1 : stopFd, POLLIN, {Watched::Stop});
    if (acceptPausedUntil_ && now >= *acceptPausedUntil_) {
      acceptPausedUntil_.reset();
    }
    watch(stopping || acceptPausedUntil_ ? -1 : listener_.Get(), POLLIN, {Watched::Listener});
    watch(posts_->Descriptor(), POLLIN, {Watched::Posts});
    watch(stopping ? -1 : clientEndFd, POLLIN, {Watched::ClientEnd});
    for (const auto& session : sessions_) {
      Session* const s = session.get();
      watch(s->ClientFd(), s->ClientEvents(), {Watched::Client, s});
      watch(s->ServerFd(), s->ServerEvents(), {Watched::Server, s});
      watch(s->Vantor() ? s->Vantor()->ExitDescriptor() : -1, POLLIN, {Watched::VantorExit, s});
    }
    // The ending vantor1s are looked at by Reap().
    for (Ending& end : ending_) {
      watch(end.vantor->ExitDescriptor(), POLLIN, {Watched::Ending});
    }
    if (poll(fds.data(), fds.size(), Timeout(now)) < 0) {
      if (errno == EINTR) {
        continue;
      }
      Report(std::string("poll failed; stopping"));
      stopping = true;
      continue;
    }
    bool posted = false, accept = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      const short revents = fds[i].revents;
      if (revents == 0) {
        continue;
      }
      switch (watched[i].what) {
        case Watched::Stop:
          stopping = true;
          break;
        case Watched::ClientEnd:
          Report("the client that the relay started has ended; ending every session");
          stopping = true;
          break;
        case Watched::Posts:
          posts_->Clear();
          posted = true;
          break;
        case Watched::Listener:
          accept = true;
          break;
        case Watched::Client:
          watched[i].session->OnClient(revents);
          break;
        case Watched::Server:
          watched[i].session->OnServer(revents);
          break;
        case Watched::VantorExit:
          watched[i].session->OnVantorExit();
          break;
        case Watched::Ending:
          break;
      }
    }
    if (posted) {
      for (const auto& session : sessions_) {
        session->OnVantorPosts();
      }
    }
    if (accept) {
      Accept(Clock::now());
    }
  }
}

}  // namespace relay
