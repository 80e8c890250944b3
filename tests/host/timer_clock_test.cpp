// Tick pacing: deadlines one interval apart whatever a tick costs, the
// shortest interval, missed ticks dropped after a stall, and the frame rate.
#include <gtest/gtest.h>

#include <string>

#include "host/timer_clock.h"

namespace {

constexpr int64_t kMs = kNanosecondsPerMs;

TEST(TimerClock, DeadlinesStayOnTheirGridWhateverATickCosts) {
  TimerClock clock;
  const int64_t start = 5 * kNanosecondsPerSecond;
  StartTimerClock(&clock, 20, start);
  EXPECT_FALSE(TickDue(clock, start));
  EXPECT_EQ(TimeUntilTick(clock, start), 20 * kMs);
  // Each tick runs a little late and takes a varying time; the deadlines
  // do not move with it, so 1000 ticks end exactly 20 s after the start.
  int64_t now = start;
  for (int i = 1; i <= 1000; ++i) {
    now = clock.nextTickNs + (i % 7) * kMs / 2;  // woken up to 3 ms late
    ASSERT_TRUE(TickDue(clock, now));
    ScheduleNextTick(&clock, now);
    ASSERT_EQ(clock.nextTickNs, start + (i + 1) * 20 * kMs) << "tick " << i;
  }
}

TEST(TimerClock, IntervalsBelowTenMillisecondsRunAtTen) {
  struct Case {
    int32_t setting;
    int64_t intervalNs;
  } cases[] = {{0, 10 * kMs}, {1, 10 * kMs}, {9, 10 * kMs}, {10, 10 * kMs}, {11, 11 * kMs},
               {100, 100 * kMs}, {-1, 10 * kMs}, {-2147483647 - 1, 10 * kMs},
               {2147483647, 2147483647LL * kMs}};
  for (const Case& c : cases) {
    TimerClock clock;
    StartTimerClock(&clock, c.setting, 0);
    EXPECT_EQ(clock.intervalNs, c.intervalNs) << c.setting;
    EXPECT_EQ(clock.nextTickNs, c.intervalNs) << c.setting;
  }
}

TEST(TimerClock, AStallDropsTheMissedTicksInsteadOfCatchingUp) {
  TimerClock clock;
  StartTimerClock(&clock, 10, 0);
  // The process was stopped for 5 s: one tick runs, then the next is a whole
  // interval later, not at once (no burst of 500 ticks).
  const int64_t late = 5 * kNanosecondsPerSecond + 3 * kMs;
  ASSERT_TRUE(TickDue(clock, late));
  ScheduleNextTick(&clock, late);
  EXPECT_EQ(clock.nextTickNs, late + 10 * kMs);
  EXPECT_FALSE(TickDue(clock, late + 9 * kMs));
  // Late by less than an interval: the grid holds.
  ScheduleNextTick(&clock, clock.nextTickNs + 9 * kMs);
  EXPECT_EQ(clock.nextTickNs, late + 20 * kMs);
  // Late by exactly one interval: the missed deadline is dropped.
  const int64_t due = clock.nextTickNs;
  ScheduleNextTick(&clock, due + 10 * kMs);
  EXPECT_EQ(clock.nextTickNs, due + 20 * kMs);
  EXPECT_EQ(TimeUntilTick(clock, due + 30 * kMs), 0);
}

TEST(FrameRateMeter, RateOfEachFullSecond) {
  FrameRateMeter meter;
  StartFrameRateMeter(&meter, 0);
  EXPECT_EQ(meter.framesPerSecond, 0.0);
  bool renewed = false;
  int64_t t = 0;
  for (int i = 1; i <= 100; ++i) {
    t = i * 10 * kMs;
    renewed = CountFrame(&meter, t);
    if (i < 100) {
      ASSERT_FALSE(renewed) << i;
    }
  }
  EXPECT_TRUE(renewed);
  EXPECT_DOUBLE_EQ(meter.framesPerSecond, 100.0);
  // 40 frames over the next 2 s.
  for (int i = 1; i <= 40; ++i) renewed = CountFrame(&meter, t + i * 50 * kMs);
  EXPECT_TRUE(renewed);
  EXPECT_DOUBLE_EQ(meter.framesPerSecond, 20.0);
}

TEST(FrameRateMeter, Text) {
  char buffer[32];
  EXPECT_EQ(FormatFrameRate(99.84, buffer, sizeof buffer), 9u);
  EXPECT_STREQ(buffer, "FPS: 99.8");
  FormatFrameRate(0.0, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "FPS: 0.0");
  FormatFrameRate(-5.0, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "FPS: 0.0");
  FormatFrameRate(1e300, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "FPS: 99999.0");
  char small[6];
  EXPECT_EQ(FormatFrameRate(12.5, small, sizeof small), 5u);
  EXPECT_STREQ(small, "FPS: ");
}

}  // namespace
