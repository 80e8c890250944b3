#include "host/timer_clock.h"

#include <cstdio>

#include "host/saver_options.h"

void StartTimerClock(TimerClock* clock, int32_t tickIntervalMs, int64_t refreshNs, int64_t nowNs) {
  clock->intervalNs = static_cast<int64_t>(EffectiveTickIntervalMs(tickIntervalMs)) * kNanosecondsPerMs;
  clock->nextTickNs = nowNs + clock->intervalNs;
  clock->refreshNs = refreshNs > 0 ? refreshNs : kDefaultRefreshNs;
  clock->nextPictureNs = clock->nextTickNs;
}

int32_t TakePictureTicks(TimerClock* clock, int64_t nowNs) {
  if (nowNs < clock->nextTickNs || nowNs < clock->nextPictureNs) return 0;
  const int64_t late = nowNs - clock->nextTickNs;
  int32_t due = 1;
  if (late > kMaxTimerBacklogNs) {
    clock->nextTickNs = nowNs + clock->intervalNs;
  } else {
    // late <= 250 ms and the interval >= 10 ms: at most 26 ticks.
    due = static_cast<int32_t>(late / clock->intervalNs) + 1;
    clock->nextTickNs += due * clock->intervalNs;
  }
  // The pictures keep to a grid one refresh apart while they come that
  // often, so that a late wake-up does not slow them down; after a longer
  // gap (ticks slower than the display, a stall) the grid starts again from
  // this picture. A picture late on its grid keeps the next one at least
  // three quarters of a refresh away.
  const int64_t refresh = clock->refreshNs;
  int64_t next = clock->nextPictureNs + refresh;
  if (next <= nowNs) {
    next = nowNs + refresh;
  } else if (next < nowNs + refresh - refresh / 4) {
    next = nowNs + refresh - refresh / 4;
  }
  clock->nextPictureNs = next;
  return due;
}

int64_t TimeUntilPicture(const TimerClock& clock, int64_t nowNs) {
  const int64_t at = clock.nextTickNs > clock.nextPictureNs ? clock.nextTickNs : clock.nextPictureNs;
  return at > nowNs ? at - nowNs : 0;
}

int64_t ModeRefreshNs(uint64_t dotClock, uint32_t hTotal, uint32_t vTotal, bool interlaced,
                      bool doubleScan) {
  // Totals beyond 16 bits and clocks beyond 2^34 Hz are no display's (X
  // sends them as 16 and 32 bits); within them the products below stay
  // inside 64 bits.
  if (hTotal > 65535 || vTotal > 65535 || dotClock > (uint64_t{1} << 34)) return 0;
  uint64_t dots = static_cast<uint64_t>(hTotal) * vTotal;
  if (doubleScan) dots *= 2;
  if (interlaced) dots /= 2;
  if (dotClock == 0 || dots == 0 || dots > dotClock || dots * 1000 < dotClock) return 0;
  return static_cast<int64_t>(dots * static_cast<uint64_t>(kNanosecondsPerSecond) / dotClock);
}

void StartFrameRateMeter(FrameRateMeter* meter, int64_t nowNs) {
  meter->periodStartNs = nowNs;
  meter->framesInPeriod = 0;
  meter->framesPerSecond = 0.0;
}

bool CountFrame(FrameRateMeter* meter, int64_t nowNs) {
  ++meter->framesInPeriod;
  const int64_t elapsed = nowNs - meter->periodStartNs;
  if (elapsed < kNanosecondsPerSecond) return false;
  meter->framesPerSecond =
      static_cast<double>(meter->framesInPeriod) * kNanosecondsPerSecond / static_cast<double>(elapsed);
  meter->periodStartNs = nowNs;
  meter->framesInPeriod = 0;
  return true;
}

size_t FormatFrameRate(double framesPerSecond, char* buffer, size_t capacity) {
  if (capacity == 0) return 0;
  if (!(framesPerSecond >= 0.0)) framesPerSecond = 0.0;
  if (framesPerSecond > 99999.0) framesPerSecond = 99999.0;
  const int n = std::snprintf(buffer, capacity, "FPS: %.1f", framesPerSecond);
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < capacity ? static_cast<size_t>(n) : capacity - 1;
}
