#include "host/frame_clock.h"

#include <cmath>

#include "host/saver_options.h"

void StartFrameClock(FrameClock* clock, double now, int32_t tickIntervalMs) {
  clock->intervalMs = EffectiveTickIntervalMs(tickIntervalMs);
  clock->nextTickAt = now;
}

void RestartFrameClock(FrameClock* clock, double now) { clock->nextTickAt = now; }

int32_t TakeDueTicks(FrameClock* clock, double now) {
  // Written so that a clock value that is not a number never ticks.
  if (!(now >= clock->nextTickAt)) return 0;
  const double interval = clock->intervalMs;
  const double late = now - clock->nextTickAt;
  if (!(late <= kMaxTickBacklogMs)) {
    clock->nextTickAt = now + interval;
    return 1;
  }
  // late <= 250 and interval >= 10: at most 26 ticks, well inside an int.
  const int32_t due = static_cast<int32_t>(std::floor(late / interval)) + 1;
  clock->nextTickAt += due * interval;
  return due;
}
