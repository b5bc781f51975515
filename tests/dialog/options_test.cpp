// The viewing options without a window: the fields each handler writes and what it asks the
// face to show.
#include "dialog/options.h"

#include <gtest/gtest.h>

namespace {

using dialog::Mode;
using dialog::OptionsView;

TEST(OptionsTest, ReleasesWriteTheirFieldAndLabel) {
  WatchState state;
  dialog::Options options(state);
  options.ModeClicked(Mode::AllNotify);
  EXPECT_EQ(options.ReservedReleased(10), OptionsView{.reservedValue = "10"});
  EXPECT_EQ(options.MinEtimeReleased(12), OptionsView{.minEtimeValue = "12"});
  EXPECT_EQ(state.minEtime, 12.0f);
  // Lowering the windows below the reserved boards lowers the reserved range at once; the
  // reserved value waits for that trackbar's own release.
  EXPECT_EQ(options.MaxWindowsReleased(0),
            (OptionsView{.maxWindowsValue = "0", .reservedMaximum = 0}));
  EXPECT_EQ(std::make_pair(state.maxGameWindows, state.reservedBoards), std::make_pair(0, 10));
}

TEST(OptionsTest, ModeRadiosFollowTheModeMachine) {
  const OptionsView shown{.reservedValue = "0",
                          .reservedCaption = dialog::kReservedCaption,
                          .reservedShown = true,
                          .reservedMaximum = 12,
                          .reservedToZero = true};
  const OptionsView hidden{.reservedValue = "",
                           .reservedCaption = "",
                           .reservedShown = false,
                           .reservedMaximum = 0,
                           .reservedToZero = true};
  const Mode modes[] = {Mode::FollowList, Mode::AllNotify, Mode::None};
  for (Mode from : modes) {
    for (Mode clicked : modes) {
      WatchState state;
      dialog::Options options(state);
      options.MaxWindowsReleased(12);
      options.ModeClicked(from);
      options.ReservedReleased(from == Mode::AllNotify ? 10 : 0);
      const OptionsView view = options.ModeClicked(clicked);
      const std::string where = std::to_string(int(from)) + " -> " + std::to_string(int(clicked));
      EXPECT_EQ(state.allNotifyMode, clicked == Mode::AllNotify) << where;
      EXPECT_EQ(state.watchNone, clicked == Mode::None) << where;
      const bool kept = from == clicked || (from != Mode::AllNotify && clicked != Mode::AllNotify);
      EXPECT_EQ(state.reservedBoards, kept && from == Mode::AllNotify ? 10 : 0) << where;
      const OptionsView expected = kept                         ? OptionsView{}
                                   : clicked == Mode::AllNotify ? shown
                                                                : hidden;
      EXPECT_EQ(view, expected) << where;
    }
  }
}

}  // namespace
