// The real vantor1-relay between a client socket and the stand-in server, with the real vantor1
// (offscreen) behind it: what passes must pass unchanged, and vantor1's or a peer's trouble must
// not break the session.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "hostlink/object_names.h"
#include "platform/posix/user_files.h"
#include "tests/relay/relay_harness.h"

namespace relaytest {
namespace {

const bool kVantorOffscreen = setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

// The real vantor1 behind the relay; the relay's log is shown when a test failed.
struct VantorRig : Rig {
  explicit VantorRig(bool quiet) : Rig({"--vantor", VANTOR1_PATH}, quiet) {}
  ~VantorRig() {
    if (relay && testing::Test::HasFailure()) {
      std::fprintf(stderr, "the relay said:\n%s", relay->Log().c_str());
    }
  }
};

// Random bytes with telnet sequences and whole notification lines among them.
std::string RandomBytes(std::mt19937& random, std::size_t n) {
  const std::string specials[] = {
      "\xff\xfb\x01", std::string("\xff\xfa\x18\x00\xff\xf0", 6),
      "fics% Game notification: A (1) vs. B (2) rated blitz 5 0: Game 1\n\r"};
  std::string bytes;
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> pick(0, 99);
  while (bytes.size() < n) {
    if (const int p = pick(random); p < 3) {
      bytes += specials[p];
    } else {
      bytes.push_back(static_cast<char>(byte(random)));
    }
  }
  return bytes;
}

TEST(RelayProcess, randomTrafficPassesByteExactBothWays) {
  VantorRig rig(true);
  ASSERT_TRUE(rig.Ok());
  std::mt19937 random(12);
  const std::string down = RandomBytes(random, 1 << 20);
  const std::string up = RandomBytes(random, 256 << 10);
  ASSERT_TRUE(rig.Await([&] { return rig.server->Connected(); }));
  rig.server->Send(down);
  rig.client->Send(up);
  ASSERT_TRUE(rig.Await([&] {
    return rig.client->Received().size() >= down.size() &&
           rig.server->Received().size() >= up.size();
  }));
  EXPECT_TRUE(rig.client->Received() == down);
  EXPECT_TRUE(rig.server->Received() == up);
}

TEST(RelayProcess, killedVantorAndItsFullRingLeaveTheSessionWhole) {
  VantorRig rig(false);
  ASSERT_TRUE(rig.Ok());
  std::string pid;
  ASSERT_TRUE(rig.relay->AwaitLog(std::regex("vantor1 started \\(pid ([0-9]+)\\)"), 10000, &pid));
  rig.client->Send("tester\nsecret\n");
  ASSERT_TRUE(rig.AwaitLog("vantor1 registered"));
  kill(std::stoi(pid), SIGKILL);
  ASSERT_TRUE(rig.AwaitLog("vantor1 crashed.*goes on without it"));
  // Nobody reads the ring now: it fills, and what does not fit is dropped.
  std::string flood;
  for (int i = 0; i < 3000; ++i) {
    flood += "fics% line " + std::to_string(i) + " of the flood, long enough to fill a ring\n";
  }
  rig.server->Send(flood);
  ASSERT_TRUE(rig.Await([&] { return rig.client->Received().ends_with(flood); }));
  rig.client->Send("observe nobody\n");
  ASSERT_TRUE(rig.Await(
      [&] { return rig.client->Received().ends_with("nobody is not playing a game.\n\rfics% "); }));
  rig.client->Close();
  EXPECT_TRUE(rig.AwaitLog(
      "ended \\(the client closed the connection\\).*[1-9][0-9]* messages to vantor1 dropped"));
}

// What the relay cannot join safely it leaves alone, and says why: a client behind a
// lag-compensating wrapper (its first line scrambled above 127, ending in 0x80), and a client
// that turns on the server's block mode, whose replies vantor1's commands would break.
TEST(RelayProcess, wrappedOrBlockModeClientIsPassedOnUntouchedAndTheLogSaysWhy) {
  {
    VantorRig rig(false);
    ASSERT_TRUE(rig.Ok());
    const std::string scrambled = "\x9f\xd2\xa7\x64\xc1\xb0\x7e\x99\x80\n";
    rig.client->Send(scrambled);
    ASSERT_TRUE(rig.AwaitLog("lag-compensating wrapper.*vantor1 is off for this session"));
    ASSERT_TRUE(rig.Await([&] { return rig.server->Received() == scrambled; }));
  }
  VantorRig rig(false);
  ASSERT_TRUE(rig.Ok());
  rig.client->Send("tester\nsecret\n");
  ASSERT_TRUE(rig.AwaitLog("logged in as tester"));
  rig.client->Send("iset block 1\n");
  ASSERT_TRUE(
      rig.AwaitLog("block mode is on \\(the client asked for it\\): vantor1's commands are held"));
  rig.client->Send("5 iset block 0\n");
  EXPECT_TRUE(rig.AwaitLog("block mode is off"));
}

TEST(RelayProcess, serverClosingInsideAnEndlessLineEndsOnlyThatSession) {
  VantorRig rig(true);
  ASSERT_TRUE(rig.Ok());
  ASSERT_TRUE(rig.Await([&] { return rig.server->Connected(); }));
  const std::string endless = "no end: " + std::string(1 << 20, 'x');
  rig.server->Send(endless);
  ASSERT_TRUE(rig.Await([&] { return rig.server->Unsent() == 0; }));
  rig.server->CloseClient();
  ASSERT_TRUE(rig.Await([&] { return rig.client->ClosedByPeer(); }));
  EXPECT_TRUE(rig.client->Received() == endless);
  EXPECT_TRUE(rig.AwaitLog("session 1: ended \\(the server closed the connection\\)"));
  // The relay serves the next client as before.
  rig.client = std::make_unique<Client>(rig.relay->Port());
  ASSERT_TRUE(rig.Await([&] { return rig.server->Connections() == 2; }));
  rig.server->Send("hello\n");
  EXPECT_TRUE(rig.Await([&] { return rig.client->Received() == "hello\n"; }));
  EXPECT_EQ(rig.relay->Stop(5000), 0);
}

// A port on loopback where nothing listens any more.
std::uint16_t ClosedPort() {
  const auto server = standin::Server::Listen();
  return server ? (*server)->Port() : 1;
}

TEST(RelayProcess, unreachableServerIsExplainedToTheClient) {
  auto relay =
      RelayProcess::Start({"--vantor", "/bin/true", "127.0.0.1:" + std::to_string(ClosedPort())});
  ASSERT_TRUE(relay);
  Client client(relay->Port());
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!client.ClosedByPeer() && Clock::now() < deadline) {
    client.Pump(RemainingMs(deadline));
  }
  EXPECT_TRUE(client.ClosedByPeer());
  EXPECT_NE(client.Received().find("vantor1-relay: cannot reach the server"), std::string::npos)
      << client.Received();
  relay->Stop(5000);
}

// --client starts the user's client pointed at the relay, and the relay ends with it.
TEST(RelayProcess, startedClientGetsTheRelaysPortAndItsEndEndsTheRelay) {
  char dir[] = "/tmp/relay-client-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string seen = std::string(dir) + "/seen";
  auto relay = RelayProcess::Start(
      {"--vantor", "/bin/true", "--client", "echo %h %p >" + seen, "127.0.0.1:1"});
  ASSERT_TRUE(relay);
  EXPECT_TRUE(relay->AwaitLog(std::regex("client that the relay started has ended"), 10000))
      << relay->Log();
  EXPECT_EQ(relay->Stop(5000), 0);
  std::ifstream in(seen);
  std::string host, port;
  in >> host >> port;
  EXPECT_EQ(host + " " + port, "127.0.0.1 " + std::to_string(relay->Port()));
  std::remove(seen.c_str());
  rmdir(dir);
}

// The relay's CPU time so far, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) {
      ticks += std::stol(field);  // utime, stime
    }
  }
  return ticks;
}

// Another process shrinks the pipe objects of one session's vantor1: that session goes on
// without vantor1, and every other session with its own.
TEST(RelayProcess, damagedPipesOfOneSessionEndOnlyThatSessionsVantor) {
  VantorRig rig(true);
  ASSERT_TRUE(rig.Ok());
  ASSERT_TRUE(rig.AwaitLog("session 1: vantor1 registered"));
  Client second(rig.relay->Port());
  rig.others.push_back(&second);
  ASSERT_TRUE(rig.AwaitLog("session 2: vantor1 registered"));
  // Slot 1 (session 2) owns the pipe indexes base + 3 (to vantor1) and base + 4.
  const std::int32_t index = (rig.relay->Pid() % 2000000) * 1000 + 3;
  ASSERT_EQ(truncate(platform::detail::UserObjectPath("map", PipeMappingName(index)).c_str(), 0),
            0);
  ASSERT_EQ(truncate(platform::detail::UserObjectPath("mutex", PipeMutexName(index)).c_str(), 0),
            0);
  rig.server->Send("aics% Game notification: A (1) vs. B (2) rated blitz 5 0 : 1\n");  // to 2
  ASSERT_TRUE(rig.AwaitLog("session 2: vantor1's pipe .*; the session goes on without it"));
  rig.server->Send("still here\n");
  ASSERT_TRUE(rig.Await([&] { return second.Received().ends_with("still here\n"); }));
  EXPECT_EQ(rig.relay->Log().find("session 1: vantor1's"), std::string::npos);
  EXPECT_EQ(rig.relay->Log().find("session 1: ended"), std::string::npos);
  EXPECT_EQ(rig.relay->Stop(5000), 0);
}

// The lowest descriptor number that the process has free: the next accept() takes it, and
// fails once the limit is set there.
int LowestFreeDescriptor(pid_t pid) {
  std::set<int> open;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    open.insert(std::stoi(entry.path().filename().string()));
  }
  int free = 0;
  while (open.contains(free)) {
    ++free;
  }
  return free;
}

// Out of descriptors, the relay rests from accepting, says so once and does not spin; waiting
// clients are served once descriptors are free again.
TEST(RelayProcess, runningOutOfDescriptorsPausesAcceptingWithoutSpinning) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "the sanitizers' checks open descriptors of their own and fail at the limit";
#endif
#endif
  Rig rig({"--vantor", "/bin/true"});
  ASSERT_TRUE(rig.Ok());
  // The rig's own session settles first: its vantor1 ends and gives its descriptors back.
  ASSERT_TRUE(rig.AwaitLog("session 1: vantor1 did not take its pipes")) << rig.relay->Log();
  rlimit usual{};
  ASSERT_EQ(prlimit(rig.relay->Pid(), RLIMIT_NOFILE, nullptr, &usual), 0);
  rlimit low = usual;
  low.rlim_cur = static_cast<rlim_t>(LowestFreeDescriptor(rig.relay->Pid()));
  ASSERT_EQ(prlimit(rig.relay->Pid(), RLIMIT_NOFILE, &low, nullptr), 0);
  // Few enough to wait in the listen queue without blocking connect().
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(std::make_unique<Client>(rig.relay->Port()));
    ASSERT_TRUE(clients.back()->Connected());
  }
  ASSERT_TRUE(rig.AwaitLog("cannot accept a client: Too many open files")) << rig.relay->Log();
  const long before = CpuTicks(rig.relay->Pid());
  rig.Await([] { return false; }, 1000);
  EXPECT_LT(CpuTicks(rig.relay->Pid()) - before, sysconf(_SC_CLK_TCK) / 4) << "it spins";
  EXPECT_EQ(rig.server->Connections(), 1U) << rig.relay->Log();
  ASSERT_EQ(prlimit(rig.relay->Pid(), RLIMIT_NOFILE, &usual, nullptr), 0);
  EXPECT_TRUE(rig.Await([&] { return rig.server->Connections() == 1 + clients.size(); }))
      << rig.relay->Log();
  const std::regex shortage("cannot accept");
  const std::string& log = rig.relay->Log();
  EXPECT_EQ(
      std::distance(std::sregex_iterator(log.begin(), log.end(), shortage), std::sregex_iterator()),
      1)
      << log;
}

}  // namespace
}  // namespace relaytest
