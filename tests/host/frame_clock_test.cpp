// The tick clock of a host woken by the display: ticks every interval on the
// host's clock, several in one frame when frames are slower, none between
// ticks, and no catching up after a pause.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/frame_clock.h"

namespace {

TEST(FrameClock, FirstTickAtOnceThenEveryInterval) {
  FrameClock clock;
  StartFrameClock(&clock, 1000.0, 30);
  EXPECT_EQ(TakeDueTicks(&clock, 1000.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, 1029.9), 0);
  EXPECT_EQ(TakeDueTicks(&clock, 1030.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, 1065.0), 1);  // late by 5 ms: the next stays on the grid
  EXPECT_EQ(TakeDueTicks(&clock, 1089.0), 0);
  EXPECT_EQ(TakeDueTicks(&clock, 1090.0), 1);
}

TEST(FrameClock, IntervalsBelowTenRunAtTen) {
  for (int32_t interval : {10, 9, 1, 0, -1, -2147483647 - 1}) {
    FrameClock clock;
    StartFrameClock(&clock, 0.0, interval);
    EXPECT_EQ(clock.intervalMs, 10) << interval;
  }
  FrameClock clock;
  StartFrameClock(&clock, 0.0, 2147483647);
  EXPECT_EQ(clock.intervalMs, 2147483647);
  EXPECT_EQ(TakeDueTicks(&clock, 0.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, 86400000.0), 0);  // a day later: still waiting
}

// A display at 60 frames a second with the shortest interval: one or two
// ticks a frame, a hundred a second on average, none lost.
TEST(FrameClock, SlowFramesRunSeveralTicks) {
  FrameClock clock;
  StartFrameClock(&clock, 0.0, 0);
  int32_t total = 0, most = 0, least = 100;
  for (int frame = 0; frame <= 600; ++frame) {
    const int32_t due = TakeDueTicks(&clock, frame * 1000.0 / 60.0);
    total += due;
    if (frame > 0) most = std::max(most, due), least = std::min(least, due);
  }
  EXPECT_EQ(total, 1001);  // ticks at 0, 10, ..., 10000 ms
  EXPECT_EQ(most, 2);
  EXPECT_EQ(least, 1);
}

TEST(FrameClock, FastFramesTickOnlyWhenDue) {
  FrameClock clock;
  StartFrameClock(&clock, 0.0, 100);
  int32_t total = 0;
  for (int frame = 0; frame < 1440; ++frame) total += TakeDueTicks(&clock, frame * 1000.0 / 144.0);
  EXPECT_EQ(total, 100);  // ten seconds at 144 frames a second
}

TEST(FrameClock, PauseIsNotPlayedBack) {
  FrameClock clock;
  StartFrameClock(&clock, 0.0, 10);
  EXPECT_EQ(TakeDueTicks(&clock, 0.0), 1);
  // A backlog up to the limit is made up in one frame...
  EXPECT_EQ(TakeDueTicks(&clock, 10.0 + kMaxTickBacklogMs), 26);
  // ...a longer one (a hidden tab) gives one tick, and the clock starts again.
  EXPECT_EQ(TakeDueTicks(&clock, 60000.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, 60009.0), 0);
  EXPECT_EQ(TakeDueTicks(&clock, 60010.0), 1);
  // Restarting (the tab is shown again) makes a tick due at once.
  RestartFrameClock(&clock, 90000.0);
  EXPECT_EQ(TakeDueTicks(&clock, 90000.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, 90005.0), 0);
}

TEST(FrameClock, ClockGoingBackOrNotANumberNeverTicks) {
  FrameClock clock;
  StartFrameClock(&clock, 500.0, 10);
  EXPECT_EQ(TakeDueTicks(&clock, 100.0), 0);
  EXPECT_EQ(TakeDueTicks(&clock, std::nan("")), 0);
  EXPECT_EQ(TakeDueTicks(&clock, -std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(TakeDueTicks(&clock, 500.0), 1);
  EXPECT_EQ(TakeDueTicks(&clock, std::numeric_limits<double>::infinity()), 1);
}

}  // namespace
