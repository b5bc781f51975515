#include "watcher/drain.h"

#include <gtest/gtest.h>

#include "hostlink/framing.h"
#include "hostside/loopback.h"

namespace {

using Games = std::vector<std::int32_t>;

class DrainTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(link.Opened()); }
  void Put(const std::vector<std::uint8_t>& bytes) { ASSERT_TRUE(link.Put(bytes)); }
  DrainOutcome Drain() { return DrainReadPipe(link.readPipe, link.writePipe, state); }

  hostside::Loopback link;
  WatchState state;
};

// The title used to be composed in 52 bytes, which a 51-byte name overflows. An empty identity
// keeps the name.
TEST_F(DrainTest, TitleIsSetOnceAndHoldsTheLongestNameWhole) {
  EXPECT_FALSE(Drain().newTitle);
  const std::string name(51, 'z');
  Put(FrameArguments(0, {name + "tail"}));
  EXPECT_EQ(Drain().newTitle, "Vantor1 - " + name);
  Put(FrameArguments(0, {"Dave"}));
  Put(FrameArguments(0, {""}));
  Put(FrameArguments(5, {"Other"}));
  EXPECT_FALSE(Drain().newTitle);
  EXPECT_EQ(state.myName, "Dave");
}

// The quit takes effect at the end of the drain that read it. Messages of unlisted kinds are
// read past: a drain that stopped at them stranded the quit when the host's later signals were
// refused by a full queue.
TEST_F(DrainTest, QuitBehindUnlistedKindsTakesEffectAfterTheRestOfItsDrain) {
  Put(FrameArguments(43, {"1", "O"}));
  for (int i = 0; i < 3; ++i) {
    Put(Frame(12, {}));
  }
  Put(Frame(kQuitKind, {}));
  Put(FrameArguments(0, {"erin"}));
  Put(FrameArguments(43, {"9", "O"}));
  const DrainOutcome outcome = Drain();
  EXPECT_TRUE(outcome.quit);
  EXPECT_EQ(outcome.newTitle, "Vantor1 - erin");
  EXPECT_EQ(state.watchedGames, (Games{1, 9}));
  EXPECT_TRUE(link.toProgram->TakeAll().empty());
}

}  // namespace
