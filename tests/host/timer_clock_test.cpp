// Tick and picture pacing: deadlines one interval apart whatever a tick
// costs, at most one picture per refresh running every tick that fell due,
// the shortest interval, a stall's backlog dropped, and the frame rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "host/timer_clock.h"

namespace {

constexpr int64_t kMs = kNanosecondsPerMs;
constexpr int64_t kSecond = kNanosecondsPerSecond;

struct PacedRun {
  int64_t ticks = 0, pictures = 0;
  int32_t fewestTicks = 1 << 30, mostTicks = 0;
  int64_t shortestGap = INT64_MAX;  // between two pictures
};

// A loop that sleeps until the next picture and wakes up to 3 ms late,
// until `end`.
PacedRun RunPaced(TimerClock* clock, int64_t start, int64_t end) {
  PacedRun r;
  int64_t now = start, last = -1;
  for (int i = 0; now < end; ++i) {
    now += TimeUntilPicture(*clock, now) + (i % 7) * kMs / 2;
    if (now >= end) break;
    const int32_t due = TakePictureTicks(clock, now);
    EXPECT_GT(due, 0) << "woken for a picture at " << now << " without a tick";
    if (due == 0) break;
    r.ticks += due;
    ++r.pictures;
    r.fewestTicks = std::min(r.fewestTicks, due);
    r.mostTicks = std::max(r.mostTicks, due);
    if (last >= 0) r.shortestGap = std::min(r.shortestGap, now - last);
    last = now;
  }
  return r;
}

TEST(TimerClock, SixtyPicturesASecondCarryAHundredTicks) {
  struct Case {
    const char* what;
    int32_t intervalMs;
    int64_t refreshNs;
    int64_t ticks, pictures;  // in 10 s
  } cases[] = {
      {"default speed, 60 Hz", 10, kSecond / 60, 1000, 600},
      {"default speed, 59.94 Hz", 10, kSecond * 1001 / 60000, 1000, 599},
      {"default speed, no refresh known (60 Hz)", 10, 0, 1000, 600},
      {"slow ticks: one picture each", 50, kSecond / 60, 200, 200},
      {"a display faster than the ticks: one picture each", 10, kSecond / 144, 1000, 1000},
  };
  for (const Case& c : cases) {
    TimerClock clock;
    const int64_t start = 5 * kSecond;
    StartTimerClock(&clock, c.intervalMs, c.refreshNs, start);
    const PacedRun r = RunPaced(&clock, start, start + 10 * kSecond + kMs / 2);
    const int64_t refresh = c.refreshNs > 0 ? c.refreshNs : kSecond / 60;
    // The deadlines do not move with lateness: the ticks run are exactly
    // those before the next deadline on the grid.
    EXPECT_EQ(clock.nextTickNs, start + (r.ticks + 1) * clock.intervalNs) << c.what;
    EXPECT_NEAR(r.ticks, c.ticks, 2) << c.what;
    EXPECT_NEAR(r.pictures, c.pictures, 1) << c.what;
    // Woken up to 3 ms late, never more than 3 ms short of a refresh.
    EXPECT_GE(r.shortestGap, refresh - 3 * kMs) << c.what;
    EXPECT_EQ(r.fewestTicks, 1) << c.what;
    EXPECT_LE(r.mostTicks, c.intervalMs * kMs < refresh ? 2 : 1) << c.what;
  }
}

TEST(TimerClock, FirstTickOneIntervalAfterTheStartAndIntervalsBelowTenRunAtTen) {
  struct Case {
    int32_t setting;
    int64_t intervalNs;
  } cases[] = {{0, 10 * kMs}, {1, 10 * kMs}, {9, 10 * kMs}, {10, 10 * kMs}, {11, 11 * kMs},
               {100, 100 * kMs}, {-1, 10 * kMs}, {-2147483647 - 1, 10 * kMs},
               {2147483647, 2147483647LL * kMs}};
  for (const Case& c : cases) {
    TimerClock clock;
    StartTimerClock(&clock, c.setting, kSecond / 60, 0);
    EXPECT_EQ(clock.intervalNs, c.intervalNs) << c.setting;
    EXPECT_EQ(TimeUntilPicture(clock, 0), c.intervalNs) << c.setting;
    EXPECT_EQ(TakePictureTicks(&clock, c.intervalNs - 1), 0) << c.setting;
    EXPECT_EQ(TakePictureTicks(&clock, c.intervalNs), 1) << c.setting;
  }
}

TEST(TimerClock, ALatePictureRunsTheMissedTicksButAStallDropsThem) {
  TimerClock clock;
  StartTimerClock(&clock, 10, kSecond / 60, 0);
  // 200 ms late (a busy machine): the picture runs all 21 ticks that fell
  // due, and the grid holds.
  EXPECT_EQ(TakePictureTicks(&clock, 210 * kMs), 21);
  EXPECT_EQ(TimeUntilPicture(clock, 210 * kMs), kSecond / 60);
  EXPECT_EQ(TakePictureTicks(&clock, 210 * kMs + kSecond / 60), 1);
  EXPECT_EQ(TakePictureTicks(&clock, 210 * kMs + 2 * (kSecond / 60)), 2);
  // Woken 8 ms late on the grid (at 268 ms rather than 260): the next
  // picture stays three quarters of a refresh away.
  EXPECT_EQ(TakePictureTicks(&clock, 268 * kMs), 2);
  EXPECT_EQ(TimeUntilPicture(clock, 268 * kMs), kSecond / 60 - (kSecond / 60) / 4);
  // The process was stopped for 5 s: one tick runs, then the next is a whole
  // interval later, not at once (no burst of 500 ticks).
  const int64_t late = 5 * kSecond + 3 * kMs;
  EXPECT_EQ(TakePictureTicks(&clock, late), 1);
  EXPECT_EQ(clock.nextTickNs, late + 10 * kMs);
  EXPECT_EQ(TimeUntilPicture(clock, late), kSecond / 60);
  EXPECT_EQ(TakePictureTicks(&clock, late + 9 * kMs), 0);
  // Within a refresh of the last picture, no picture, due ticks or not.
  EXPECT_EQ(TakePictureTicks(&clock, late + 16 * kMs), 0);
  EXPECT_EQ(TakePictureTicks(&clock, late + kSecond / 60), 1);
}

TEST(ModeRefresh, PeriodFromTheModesTimings) {
  struct Case {
    const char* what;
    uint64_t dotClock;
    uint32_t hTotal, vTotal;
    bool interlaced, doubleScan;
    int64_t periodNs;
  } cases[] = {
      {"1920x1080 at 60 Hz", 148500000, 2200, 1125, false, false, 16666666},
      {"1920x1080 at 59.94 Hz", 148350000, 2200, 1125, false, false, 16683518},
      {"1920x1080 interlaced: 60 fields a second", 74250000, 2200, 1125, true, false, 16666666},
      {"640x200 double-scanned", 25200000, 800, 262, false, true, 16634920},
      {"1024x768 at 30 Hz (the tests' mode)", 32500000, 1344, 806, false, false, 33331200},
      {"no timings (Xvfb)", 0, 0, 0, false, false, 0},
      {"a clock but no totals", 148500000, 0, 1125, false, false, 0},
      {"below 1 Hz", 1000000, 2000, 1000, false, false, 0},
      {"above 1000 Hz", 148500000, 100, 100, false, false, 0},
      {"totals beyond 16 bits", 4000000000u, 70000, 70000, false, false, 0},
      {"a clock beyond 2^34 Hz", uint64_t{1} << 40, 65535, 65535, false, false, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModeRefreshNs(c.dotClock, c.hTotal, c.vTotal, c.interlaced, c.doubleScan), c.periodNs)
        << c.what;
  }
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
