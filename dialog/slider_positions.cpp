#include "dialog/slider_positions.h"

int32_t SpeedPositionFromInterval(int32_t tickIntervalMs) {
  // Computed in 64 bits: 100 - interval does not fit 32 bits for intervals
  // near the bottom of the range (a stored "2147483648" reads as -2^31), and
  // wrapping there would put a negative interval at the slow end.
  int64_t position = (100 - static_cast<int64_t>(tickIntervalMs)) / 10;
  return static_cast<int32_t>(position);  // within -214748354..214748374
}

int32_t CountPositionFromFlakeCount(uint8_t flakeCount) { return flakeCount / 10; }

int32_t IntervalFromSpeedPosition(int32_t position) {
  // The slider only reports 0..10; unsigned arithmetic keeps any other value
  // defined (it wraps as the 32-bit platform would).
  return static_cast<int32_t>(100u - 10u * static_cast<uint32_t>(position));
}

uint8_t FlakeCountFromCountPosition(int32_t position) {
  return static_cast<uint8_t>((10u * static_cast<uint32_t>(position)) & 0xFFu);
}
