// Slider positions for stored settings, and what OK stores for each position.
#include <gtest/gtest.h>

#include <climits>

#include "dialog/slider_positions.h"

namespace {

TEST(SliderPositions, OkStoresTheElevenSettingsOfEachSlider) {
  const int32_t kIntervals[11] = {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0};
  const int kCounts[11] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  for (int32_t p = 0; p <= kSliderMaxPosition; ++p) {
    EXPECT_EQ(IntervalFromSpeedPosition(p), kIntervals[p]) << "position " << p;
    EXPECT_EQ(FlakeCountFromCountPosition(p), kCounts[p]) << "position " << p;
    // Every stored setting shows at the position that stores it.
    EXPECT_EQ(SpeedPositionFromInterval(kIntervals[p]), p);
    EXPECT_EQ(CountPositionFromFlakeCount(static_cast<uint8_t>(kCounts[p])), p);
  }
  EXPECT_EQ(SpeedPositionFromInterval(10), kDefaultSpeedPosition);
  EXPECT_EQ(CountPositionFromFlakeCount(10), kDefaultCountPosition);
}

struct SpeedCase {
  int32_t interval;
  int32_t position;  // before the slider clamps it to 0..10
};

const SpeedCase kSpeedCases[] = {
    {15, 8},  {5, 9},    {95, 0},    {105, 0},  {150, -5}, {0, 10}, {99, 0}, {101, 0},
    {109, 0}, {110, -1}, {-1, 10},   {-9, 10},  {-10, 11}, {-20, 12}, {1, 9}, {9, 9},
    {INT32_MAX, -214748354},
    {INT32_MAX - 99, -214748344},
    // An interval near the bottom of the range is far below 0, so it belongs
    // at the fast end; 32-bit wrapping of 100 - interval would make it negative.
    {INT32_MIN, 214748374},
    {INT32_MIN + 100, 214748364},
    {INT32_MIN + 101, 214748364},
};

TEST(SliderPositions, SpeedPositionTruncatesTowardZero) {
  for (const SpeedCase& c : kSpeedCases)
    EXPECT_EQ(SpeedPositionFromInterval(c.interval), c.position) << "interval " << c.interval;
}

TEST(SliderPositions, CountPositionTruncatesAndPassesTheRightEndFrom100) {
  const struct {
    int count, position;
  } kCases[] = {{0, 0}, {9, 0}, {15, 1}, {95, 9}, {99, 9}, {100, 10}, {101, 10}, {109, 10},
                {110, 11}, {255, 25}};
  for (const auto& c : kCases)
    EXPECT_EQ(CountPositionFromFlakeCount(static_cast<uint8_t>(c.count)), c.position)
        << "count " << c.count;
}

TEST(SliderPositions, PositionsOutsideTheSliderStoreWrappedValues) {
  // The slider never reports these; the arithmetic stays defined for them.
  EXPECT_EQ(IntervalFromSpeedPosition(11), -10);
  EXPECT_EQ(IntervalFromSpeedPosition(-1), 110);
  EXPECT_EQ(IntervalFromSpeedPosition(INT32_MAX), static_cast<int32_t>(100u - 10u * 0x7FFFFFFFu));
  EXPECT_EQ(IntervalFromSpeedPosition(INT32_MIN), 100);
  EXPECT_EQ(FlakeCountFromCountPosition(26), 4);  // 260 & 0xFF
  EXPECT_EQ(FlakeCountFromCountPosition(-1), 246);
}

}  // namespace
