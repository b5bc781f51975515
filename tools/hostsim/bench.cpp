#include "tools/hostsim/bench.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <thread>

#include "platform/registered_message.h"
#include "platform/thread_queue.h"
#include "tools/hostsim/notification.h"
#include "tools/hostsim/session.h"
#include "tools/hostsim/stand_in.h"

namespace hostsim {

namespace {

using Clock = Session::Clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr const char* kFollowed = "alpha";

std::uint32_t PingMessage() {
  static const std::uint32_t ping = platform::RegisterMessage("Hostsim.BenchPing");
  return ping;
}

// The forked stand-in: vantor1's loop minus the window, following the benchmark's player. A ping
// is posted straight back.
int StandInProgram() {
  return RunStandIn(kFollowed, [](const platform::ThreadMessage& message) -> std::optional<int> {
    if (message.message == PingMessage()) {
      [[maybe_unused]] bool posted = platform::PostThreadMessage(
          static_cast<platform::ThreadId>(message.wParam), PingMessage(), 0, 0);
    }
    return std::nullopt;
  });
}

double Percentile(std::vector<double> samples, double p) {
  std::sort(samples.begin(), samples.end());
  const auto rank =
      static_cast<std::size_t>(std::lround(p * static_cast<double>(samples.size() - 1)));
  return samples[std::min(rank, samples.size() - 1)];
}

class Bench {
 public:
  Bench(Session& session, const Options& options, platform::ThreadId echo, bool awaitFollow)
      : session_(session), options_(options), echo_(echo), awaitFollow_(awaitFollow) {
    session_.onMessage = [this](const WireMessage& m) { received_.push_back(m); };
    session_.Host().onOtherPost = [this](const platform::ThreadMessage& m) {
      pongs_ += m.message == PingMessage() ? 1 : 0;
    };
  }
  ~Bench() {
    session_.onMessage = nullptr;
    session_.Host().onOtherPost = nullptr;
  }

  int Run() {
    if (!Connect()) {
      return 1;
    }
    const int warmUp = std::min(200, options_.benchCount / 10 + 1);
    std::vector<double> roundTrip;
    std::vector<double> raw;
    for (int i = 0; i < warmUp + options_.benchCount; ++i) {
      auto start = Clock::now();
      if (!Ping()) {
        return Fail("no answer to a ping");
      }
      const double rawSample = Micros(Clock::now() - start).count();
      // The echo's loop goes on after its answer; without a pause it would run inside the timed
      // trip below. Each timed part starts with both peers idle, as a notification finds them.
      Settle();
      const std::vector<std::uint8_t> notification = NotificationFrame(1000 + i);
      start = Clock::now();
      if (!Write(notification)) {
        return 1;
      }
      const std::optional<WireMessage> answer = AwaitMessage();
      const double roundTripSample = Micros(Clock::now() - start).count();
      if (!answer) {
        return Fail("no observe command for game " + std::to_string(1000 + i));
      }
      if (*answer != TextWire(2, std::string("observe ") + kFollowed + "\n")) {
        return Fail("unexpected answer " + DescribeReceived(*answer));
      }
      // Opened and closed again, so that the board limit never holds the next one back.
      if (!Write(RelationMessage(1000 + i, 'O')) || !Write(RelationMessage(1000 + i, 'X'))) {
        return 1;
      }
      // The program answers nothing to these: the pause lets it handle them before the next
      // round is timed, on its own CPU or on ours.
      Settle();
      if (i >= warmUp) {
        raw.push_back(rawSample);
        roundTrip.push_back(roundTripSample);
      }
    }
    if (!Write(QuitMessage())) {
      return 1;
    }
    Report(roundTrip, raw, warmUp);
    return 0;
  }

 private:
  int Fail(const std::string& why) {
    std::fprintf(stderr, "hostsim: bench: %s\n", why.c_str());
    return 1;
  }

  static void Settle() { std::this_thread::sleep_for(std::chrono::microseconds(500)); }

  Clock::time_point Deadline() const {
    return Clock::now() + std::chrono::milliseconds(options_.timeoutMs);
  }

  bool Connect() {
    if (const Result<void> pipes = session_.CreateAndAnnouncePipes(options_.timeoutMs); !pipes) {
      Fail(pipes.Message());
      return false;
    }
    const auto deadline = Deadline();
    while (received_.size() < ExpectedHandshake().size() && Clock::now() < deadline) {
      session_.WaitUntil(deadline);
    }
    const auto& handshake = ExpectedHandshake();
    if (received_.size() < handshake.size() ||
        !std::equal(handshake.begin(), handshake.end(), received_.begin())) {
      Fail("no registration from the program");
      return false;
    }
    // What follows the handshake (the follow command) may have come with it.
    received_.erase(received_.begin(),
                    received_.begin() + static_cast<std::ptrdiff_t>(handshake.size()));
    if (awaitFollow_) {
      const std::optional<WireMessage> follow = AwaitMessage();
      if (!follow || *follow != TextWire(2, std::string("+gnotify ") + kFollowed + "\n")) {
        Fail("the program did not follow " + std::string(kFollowed));
        return false;
      }
    }
    return true;
  }

  // False, with the reason told, when the frame cannot be written.
  bool Write(const std::vector<std::uint8_t>& frame) {
    const Result<Sent> sent = session_.Host().Send(frame);
    if (!sent) {
      Fail("cannot write to the program: " + sent.Message());
    }
    return sent.Ok();
  }

  bool Ping() {
    const int before = pongs_;
    if (!platform::PostThreadMessage(echo_, PingMessage(), session_.Host().OwnThread(), 0)) {
      return false;
    }
    const auto deadline = Deadline();
    while (pongs_ == before && Clock::now() < deadline && !session_.Interrupted()) {
      session_.WaitUntil(deadline);
    }
    return pongs_ != before;
  }

  // Built before the clock starts, as the ping's message is: only writing it is timed.
  static std::vector<std::uint8_t> NotificationFrame(int game) {
    GameNotice notice;
    notice.game = game;
    notice.playerA = "Alpha";
    notice.ratingA = 1812;
    notice.playerB = "beta";
    notice.ratingB = 1790;
    return *ArgumentMessage(kLineType, {NotificationLine(notice)});
  }

  std::optional<WireMessage> AwaitMessage() {
    const auto deadline = Deadline();
    while (received_.empty() && Clock::now() < deadline && !session_.Interrupted()) {
      session_.WaitUntil(deadline);
    }
    if (received_.empty()) {
      return std::nullopt;
    }
    WireMessage message = std::move(received_.front());
    received_.pop_front();
    return message;
  }

  void Report(const std::vector<double>& roundTrip, const std::vector<double>& raw, int warmUp) {
    const double rt50 = Percentile(roundTrip, 0.50);
    const double raw50 = Percentile(raw, 0.50);
    std::printf(
        "bench: %zu notifications for a followed player, each answered with an observe "
        "command (after %d warm-up rounds)\n",
        roundTrip.size(), warmUp);
    std::printf("round trip p50 %.1f us p99 %.1f us; raw p50 %.1f us p99 %.1f us; ratio p50 %.2f\n",
                rt50, Percentile(roundTrip, 0.99), raw50, Percentile(raw, 0.99), rt50 / raw50);
  }

  Session& session_;
  const Options& options_;
  platform::ThreadId echo_;
  bool awaitFollow_;
  std::deque<WireMessage> received_;
  int pongs_ = 0;
};

}  // namespace

int RunBench(const Options& options) {
  return RunBench(options, BenchProgram{StandInProgram, false, {}});
}

int RunBench(const Options& options, const BenchProgram& bench) {
  PingMessage();  // registered before the forks, so all sides agree without a second lookup
  auto inChild = [&bench](const std::function<int()>& body) {
    return [&bench, body] {
      if (bench.inChild) {
        bench.inChild();
      }
      return body();
    };
  };
  std::string error;
  auto echo = Program::Fork(inChild(StandInProgram), error);
  if (!echo) {
    std::fprintf(stderr, "hostsim: bench: %s\n", error.c_str());
    return 1;
  }
  int code = 1;
  std::optional<ExitStatus> status;
  const Result<void> ran = WithSession(
      options,
      [&] {
        return Made([&](std::string& error) { return Program::Fork(inChild(bench.main), error); });
      },
      [&](Session& session) {
        code = Bench(session, options, echo->Thread(), bench.followsThroughCommand).Run();
      },
      status);
  echo->Terminate(options.timeoutMs);
  if (!ran) {
    std::fprintf(stderr, "hostsim: bench: %s\n", ran.Message().c_str());
    return 1;
  }
  return code;
}

}  // namespace hostsim
