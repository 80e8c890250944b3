#pragma once
// The tick clock of a program that sleeps until its next tick, as a timer
// would wake it (the X11 program), and the frame-rate figure. A program that
// the display wakes on every frame (the page, the Wayland program) counts its
// ticks with FrameClock (frame_clock.h) instead. Times are nanoseconds of any
// monotonic clock; the host reads CLOCK_MONOTONIC.
//
// Ticks fall on absolute deadlines one interval apart, so the rate does not
// drift with the time a tick takes. After a stall longer than an interval
// (a suspended machine, a stopped process, a slow server) the missed ticks
// are dropped, not run back to back: the next deadline is one interval from
// the moment the late tick ran.
#include <cstddef>
#include <cstdint>

constexpr int64_t kNanosecondsPerMs = 1000000;
constexpr int64_t kNanosecondsPerSecond = 1000000000;

struct TimerClock {
  int64_t intervalNs;
  int64_t nextTickNs;  // the deadline of the next tick
};

// The first tick falls one interval after `nowNs`, as a timer's first period.
// The interval is EffectiveTickIntervalMs of the setting (at least 10 ms).
void StartTimerClock(TimerClock* clock, int32_t tickIntervalMs, int64_t nowNs);
// Whether the next tick is due at `nowNs`.
bool TickDue(const TimerClock& clock, int64_t nowNs);
// After a tick ran at `nowNs`: the following deadline.
void ScheduleNextTick(TimerClock* clock, int64_t nowNs);
// Nanoseconds from `nowNs` to the next deadline, 0 when it is due.
int64_t TimeUntilTick(const TimerClock& clock, int64_t nowNs);

// Frames counted over whole seconds; `framesPerSecond` holds the rate of the
// last full second (0 before one has passed).
struct FrameRateMeter {
  int64_t periodStartNs;
  int32_t framesInPeriod;
  double framesPerSecond;
};

void StartFrameRateMeter(FrameRateMeter* meter, int64_t nowNs);
// Counts one frame at `nowNs`; true when the rate was renewed by this call.
bool CountFrame(FrameRateMeter* meter, int64_t nowNs);
// "FPS: 99.8" into `buffer` (cut to capacity - 1); the length written.
size_t FormatFrameRate(double framesPerSecond, char* buffer, size_t capacity);
