#pragma once
// How the settings dialog turns the two settings into slider positions and
// back. Both sliders have eleven positions, 0 at the left end to 10 at the
// right; the speed slider runs from slow (100 ms per tick) to fast (0 ms).
#include <cstdint>

constexpr int32_t kSliderMaxPosition = 10;
// Where the Default button puts the sliders: the default settings, interval 10
// and 10 flakes.
constexpr int32_t kDefaultSpeedPosition = 9;
constexpr int32_t kDefaultCountPosition = 1;

// (100 - interval) / 10, truncated toward zero. The result may lie outside
// 0..10; the slider control shows it at its nearest end.
int32_t SpeedPositionFromInterval(int32_t tickIntervalMs);
// flakeCount / 10, truncated: 0..25, shown at the right end from 10 up.
int32_t CountPositionFromFlakeCount(uint8_t flakeCount);

// What OK stores for a slider position: 100 - 10 * position milliseconds, and
// the low 8 bits of 10 * position flakes.
int32_t IntervalFromSpeedPosition(int32_t position);
uint8_t FlakeCountFromCountPosition(int32_t position);
