#include "host/timer_clock.h"

#include <cstdio>

#include "host/saver_options.h"

void StartTimerClock(TimerClock* clock, int32_t tickIntervalMs, int64_t nowNs) {
  clock->intervalNs = static_cast<int64_t>(EffectiveTickIntervalMs(tickIntervalMs)) * kNanosecondsPerMs;
  clock->nextTickNs = nowNs + clock->intervalNs;
}

bool TickDue(const TimerClock& clock, int64_t nowNs) { return nowNs >= clock.nextTickNs; }

void ScheduleNextTick(TimerClock* clock, int64_t nowNs) {
  clock->nextTickNs += clock->intervalNs;
  // Late by a whole interval or more: drop what was missed.
  if (clock->nextTickNs <= nowNs) clock->nextTickNs = nowNs + clock->intervalNs;
}

int64_t TimeUntilTick(const TimerClock& clock, int64_t nowNs) {
  return clock.nextTickNs > nowNs ? clock.nextTickNs - nowNs : 0;
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
