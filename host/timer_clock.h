#pragma once
// The tick clock of a program that wakes itself by a timer and paces its
// pictures to the display's refresh (the X11 program), and the frame-rate
// figure. A program that the display wakes on every frame (the page, the
// Wayland program) counts its ticks with FrameClock (frame_clock.h) instead.
// Times are nanoseconds of any monotonic clock; the host reads
// CLOCK_MONOTONIC.
//
// Ticks fall on absolute deadlines one interval apart, so the rate does not
// drift with the time a tick takes. Pictures go out at most once per refresh
// period: each picture runs every tick whose deadline has passed since the
// last one (at 100 ticks a second and 60 Hz, one or two), so the scene
// moves exactly as it would with a picture per tick. After a stall longer
// than kMaxTimerBacklogNs (a suspended machine, a stopped process, a server
// that held the picture back) the missed ticks are dropped, not run at
// once: one tick runs and the deadlines start again from that moment.
#include <cstddef>
#include <cstdint>

constexpr int64_t kNanosecondsPerMs = 1000000;
constexpr int64_t kNanosecondsPerSecond = 1000000000;
// A backlog longer than this is a pause, not a late picture (as FrameClock).
constexpr int64_t kMaxTimerBacklogNs = 250 * kNanosecondsPerMs;
// The refresh period where the display says nothing: 60 Hz.
constexpr int64_t kDefaultRefreshNs = kNanosecondsPerSecond / 60;

struct TimerClock {
  int64_t intervalNs;     // between two ticks
  int64_t nextTickNs;     // the deadline of the next tick
  int64_t refreshNs;      // the shortest time between two pictures
  int64_t nextPictureNs;  // no picture before this
};

// The first tick and picture fall one interval after `nowNs`, as a timer's
// first period. The interval is EffectiveTickIntervalMs of the setting (at least
// 10 ms); `refreshNs` is the display's refresh period (kDefaultRefreshNs when
// it is not above 0).
void StartTimerClock(TimerClock* clock, int32_t tickIntervalMs, int64_t refreshNs, int64_t nowNs);
// The ticks that a picture at `nowNs` runs: those whose deadline has passed,
// once a refresh period has gone since the last picture; 0 otherwise. When
// above 0 the clock moves past them and the next picture waits a refresh.
int32_t TakePictureTicks(TimerClock* clock, int64_t nowNs);
// Nanoseconds from `nowNs` until TakePictureTicks has ticks to give, 0 when
// it has now.
int64_t TimeUntilPicture(const TimerClock& clock, int64_t nowNs);

// The refresh period of a display mode from its timings: the dot clock in
// Hz, the horizontal and vertical totals, and whether it is interlaced (a
// refresh shows one field, half the lines) or double-scanned (every line
// twice). 0 for a mode without timings or a rate outside 1 to 1000 Hz.
int64_t ModeRefreshNs(uint64_t dotClock, uint32_t hTotal, uint32_t vTotal, bool interlaced,
                      bool doubleScan);

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
