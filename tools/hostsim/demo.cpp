#include "tools/hostsim/demo.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>

#include "tools/hostsim/gnotify_list.h"
#include "tools/hostsim/notification.h"
#include "tools/hostsim/server_model.h"

namespace hostsim {

namespace {

using Clock = Session::Clock;
using std::chrono::milliseconds;

struct Player {
  const char* name;
  int rating;
};

// The crowd: handles as people pick them, mixed case, as the server shows them.
constexpr Player kCrowd[] = {
    {"Kestrel", 1834},     {"pawnstorm", 1712},  {"NightOwl", 2011},   {"Zugzwang", 2245},
    {"castleQueen", 1580}, {"Fianchetto", 1923}, {"BlueBishop", 1466}, {"ironKnight", 1777},
    {"tempoTom", 1650},    {"Gambiteer", 2102},  {"EndgameEve", 1899}, {"KingWalk", 1394},
    {"enpassant", 1540},   {"Marauder", 2187},   {"QuietMove", 1730},  {"Tactician", 2056},
    {"Outpost", 1615},     {"Windmill", 1968},   {"Desperado", 1502},  {"Zwischenzug", 2301},
    {"Blockade", 1688},    {"Skewer", 1811},     {"GreekGift", 1745},  {"Hedgehog", 1990},
    {"DragonLair", 2150},  {"Opposition", 1870}, {"Luft", 1433},       {"SmotheredMate", 1602},
};

// The user's notification list on the server when the demo starts: vantor1 asks for it, so its
// follow list holds these players without any typing, and their games open boards.
constexpr const char* kListed[] = {"Kestrel",   "NightOwl",   "Zugzwang",
                                   "Tactician", "EndgameEve", "Hedgehog"};

struct TimeControl {
  const char* variant;
  int minutes;
  int increment;
  int weight;
};

constexpr TimeControl kTimeControls[] = {
    {"lightning", 1, 0, 3},  {"lightning", 2, 0, 2},  {"lightning", 2, 1, 1},
    {"blitz", 3, 0, 4},      {"blitz", 5, 0, 5},      {"blitz", 3, 2, 2},
    {"blitz", 5, 2, 2},      {"blitz", 10, 0, 2},     {"blitz", 5, 5, 1},
    {"standard", 15, 0, 2},  {"standard", 20, 10, 1}, {"standard", 45, 45, 1},
    {"wild/fr", 3, 0, 1},    {"wild/5", 5, 0, 1},     {"wild/fr", 2, 12, 1},
    {"crazyhouse", 3, 0, 1},
};

struct Game {
  GameNotice notice;
  Clock::time_point ends;
};

class Demo {
 public:
  Demo(Session& session, const Options& options)
      : session_(session),
        options_(options),
        random_(options.seed ? options.seed : std::random_device{}()) {
    session_.onMessage = [this](const WireMessage& message) { Receive(message); };
    for (const char* name : kListed) {
      model_.Command(std::string("+gnotify ") + name);
    }
  }
  ~Demo() { session_.onMessage = nullptr; }

  int Run() {
    std::printf(
        "hostsim demo: %zu players, %.3g games a minute, boards opened when vantor1 "
        "asks; Ctrl-C ends it.\n",
        std::size(kCrowd), options_.gamesPerMinute);
    if (!Connect()) {
      return session_.Interrupted() ? 0 : 1;
    }
    // The identity follows the registration, as a host sends it once the client is known.
    const auto deadline = Clock::now() + milliseconds(options_.timeoutMs);
    while (!registered_ && Clock::now() < deadline && !session_.Interrupted() &&
           !session_.ProgramStatus()) {
      session_.WaitUntil(deadline);
    }
    Send(*ArgumentMessage(kIdentityType, {options_.userName}));
    Log("identity " + options_.userName + " (vantor1's title shows it)");
    Log("players marked * are on the notification list, which vantor1 reads back; add more in "
        "its window (or pick \"all gnotifications\") to see more boards open");
    // The first game waits a little for vantor1 to read the list, so that it opens a board.
    const auto listDeadline = Clock::now() + milliseconds(2000);
    while (!listAnswered_ && Clock::now() < listDeadline && !session_.Interrupted() &&
           !session_.ProgramStatus()) {
      session_.WaitUntil(listDeadline);
    }
    auto nextGame = Clock::now() + milliseconds(500);
    const auto interval = milliseconds(static_cast<long long>(60000 / options_.gamesPerMinute));
    while (!session_.Interrupted() && !session_.ProgramStatus()) {
      session_.WaitUntil(std::min(nextGame, NextEnd()));
      const auto now = Clock::now();
      EndGamesDue(now);
      if (now >= nextGame) {
        StartGame(now);
        nextGame += interval;
      }
    }
    session_.Look();  // a Ctrl-C reaches vantor1 too, and may end it first
    const std::optional<ExitStatus> status = session_.ProgramStatus();
    if (session_.Interrupted() || (status && EndedByInterrupt(*status))) {
      Log("interrupted: ending vantor1");
      return 0;
    }
    Log("vantor1 " + Describe(*status));
    return status->signalled || (status->known && status->code != 0) ? 1 : 0;
  }

 private:
  bool Connect() {
    if (const Result<void> pipes = session_.CreateAndAnnouncePipes(options_.timeoutMs); !pipes) {
      Log(pipes.Message());
      return false;
    }
    return true;
  }

  void Log(const std::string& text) {
    const std::time_t now = std::time(nullptr);
    // hostsim has one thread, so the shared result of localtime (the one both systems have) is
    // safe here.
    const std::tm* local = std::localtime(&now);
    char stamp[16] = "--:--:--";
    if (local != nullptr) {
      std::strftime(stamp, sizeof stamp, "%H:%M:%S", local);
    }
    std::printf("%s  %s\n", stamp, text.c_str());
  }

  void Send(const std::vector<std::uint8_t>& frame) {
    if (const Result<Sent> sent = session_.Host().Send(frame); !sent) {
      Log("could not write to vantor1: " + sent.Message());
    }
  }

  std::string Name(const std::string& player) const {
    return player + (model_.IsNotified(LowerCased(player)) ? "*" : "");
  }

  void Receive(const WireMessage& message) {
    if (message.kind == 1) {
      registered_ = true;
      Log("vantor1 registered as \"" +
          std::string(message.Bytes().substr(0, message.payload.size() - 1)) + "\"");
      return;
    }
    if (message.kind != 2) {
      return;  // the rest of the registration
    }
    std::string command(message.Bytes());
    while (!command.empty() && (command.back() == '\0' || command.back() == '\n')) {
      command.pop_back();
    }
    if (command == "=gnotify") {
      AnswerListRequest();
      return;
    }
    const auto relation = model_.Command(message.Bytes());
    if (command.starts_with("+gnotify") || command.starts_with("-gnotify")) {
      std::string list;
      for (const std::string& name : model_.NotifyList()) {
        list += (list.empty() ? "" : ", ") + name;
      }
      Log("<- " + command + "   (notify list: " + (list.empty() ? "empty" : list) + ")");
      return;
    }
    if (!relation) {
      Log("<- " + command + (command.starts_with("observe") ? "   (no such game)" : ""));
      return;
    }
    Log("<- " + command);
    Report(*relation, relation->letter == 'O' ? "board opened" : "board closed (observed twice)");
  }

  // The server's lines of the list, as the host hands them over: one argument message each,
  // empty lines left out.
  void AnswerListRequest() {
    std::vector<std::string> names;
    for (const std::string& listed : model_.NotifyList()) {
      names.push_back(Spelling(listed));
    }
    for (const std::string& line : GnotifyListLines(names)) {
      if (!line.empty()) {
        Send(*ArgumentMessage(kLineType, {line}));
      }
    }
    Log("<- =gnotify   (answered: " + std::to_string(names.size()) + " names)");
    listAnswered_ = true;
  }

  // A crowd player's name as the server spells it.
  static std::string Spelling(const std::string& lowerCased) {
    for (const Player& player : kCrowd) {
      if (LowerCased(player.name) == lowerCased) {
        return player.name;
      }
    }
    return lowerCased;
  }

  void Report(const ServerModel::Relation& relation, const std::string& what) {
    Send(RelationMessage(relation.game, relation.letter));
    model_.Reported(relation);
    const NoticedGame* game = model_.Find(relation.game);
    const std::string players = game ? " (" + game->playerA + " vs. " + game->playerB + ")" : "";
    Log("   " + what + ": game " + std::to_string(relation.game) + players + "; boards in use " +
        std::to_string(model_.OpenBoards()));
  }

  Clock::time_point NextEnd() const {
    auto next = Clock::time_point::max();
    for (const auto& [number, game] : games_) {
      next = std::min(next, game.ends);
    }
    return next;
  }

  void EndGamesDue(Clock::time_point now) {
    for (auto it = games_.begin(); it != games_.end();) {
      if (it->second.ends > now) {
        ++it;
        continue;
      }
      const int number = it->first;
      if (model_.IsOpen(number)) {
        Report({number, 'X'}, "game over, board closed");
      }
      model_.EndGame(number);
      it = games_.erase(it);
    }
  }

  bool Playing(const char* name) const {
    return std::any_of(games_.begin(), games_.end(), [&](const auto& entry) {
      return entry.second.notice.playerA == name || entry.second.notice.playerB == name;
    });
  }

  void StartGame(Clock::time_point now) {
    std::vector<const Player*> idle;
    for (const Player& player : kCrowd) {
      if (!Playing(player.name)) {
        idle.push_back(&player);
      }
    }
    if (idle.size() < 2) {
      return;  // everybody plays; the next slot will find someone
    }
    std::shuffle(idle.begin(), idle.end(), random_);
    if (nextNumber_ == kFirstGame) {
      // The first game is a listed player's, so that a board opens at once.
      const auto listed = std::find_if(idle.begin(), idle.end(), [this](const Player* player) {
        return model_.IsNotified(LowerCased(player->name));
      });
      if (listed != idle.end()) {
        std::iter_swap(idle.begin(), listed);
      }
    }
    std::vector<int> weights;
    for (const TimeControl& tc : kTimeControls) {
      weights.push_back(tc.weight);
    }
    const TimeControl& tc =
        kTimeControls[std::discrete_distribution<int>(weights.begin(), weights.end())(random_)];
    Game game;
    GameNotice& n = game.notice;
    n.game = nextNumber_++;
    n.playerA = idle[0]->name;
    n.ratingA = idle[0]->rating + std::uniform_int_distribution<int>(-40, 40)(random_);
    n.playerB = idle[1]->name;
    n.ratingB = idle[1]->rating + std::uniform_int_distribution<int>(-40, 40)(random_);
    n.rated = std::bernoulli_distribution(0.8)(random_);
    n.variant = tc.variant;
    n.minutes = tc.minutes;
    n.increment = tc.increment;
    // Real games last about twice their etime in minutes; the demo plays them in seconds,
    // five of them per etime minute, so that boards come and go while one watches.
    const double etime = tc.minutes + tc.increment * 2.0 / 3.0;
    const double seconds = std::clamp(etime * 5, 15.0, 150.0) *
                           std::uniform_real_distribution<double>(0.5, 1.3)(random_);
    game.ends = now + milliseconds(static_cast<long long>(seconds * 1000));
    const std::string line = NotificationLine(n);
    Send(*ArgumentMessage(kLineType, {line}));
    if (const auto noticed = ReadNotificationLine(line)) {
      model_.Announce(*noticed);
    }
    Log("game " + std::to_string(n.game) + ": " + Name(n.playerA) + " (" +
        std::to_string(n.ratingA) + ") vs. " + Name(n.playerB) + " (" + std::to_string(n.ratingB) +
        "), " + (n.rated ? "rated " : "unrated ") + n.variant + " " + std::to_string(n.minutes) +
        " " + std::to_string(n.increment));
    games_.emplace(n.game, std::move(game));
  }

  Session& session_;
  const Options& options_;
  std::mt19937 random_;
  ServerModel model_;
  std::map<int, Game> games_;
  static constexpr int kFirstGame = 101;
  int nextNumber_ = kFirstGame;
  bool registered_ = false;
  bool listAnswered_ = false;
};

}  // namespace

int RunDemo(Session& session, const Options& options) {
  return Demo(session, options).Run();
}

}  // namespace hostsim
