#pragma once
// The tick clock of a program that the display wakes (the page's animation
// frames, the Wayland program's frame callbacks) rather than a timer (see
// timer_clock.h for that): on each frame it says how many ticks are due.
// Ticks come every tick interval on the host's monotonic clock, so a display
// slower than the tick rate gets several ticks in one frame and a faster one
// frames without a tick. After a pause (a hidden tab, a stalled machine) the
// backlog is dropped rather than played back at full speed: one tick runs and
// the clock starts again from that moment.
#include <cstdint>

// A backlog longer than this is a pause, not a slow frame.
constexpr double kMaxTickBacklogMs = 250.0;

struct FrameClock {
  double nextTickAt;   // when the next tick is due, in the host's milliseconds
  int32_t intervalMs;  // the effective interval, at least 10
};

// The first tick is due at once. `tickIntervalMs` is the setting as read;
// below 10 ms (0 and negative values included) the clock runs at 10 ms, as
// the Windows timer does.
void StartFrameClock(FrameClock* clock, double now, int32_t tickIntervalMs);

// Starts counting again from `now` with the first tick due at once, keeping
// the interval (a tab that becomes visible again).
void RestartFrameClock(FrameClock* clock, double now);

// The number of ticks due at `now`, 0 when none; moves the clock past them.
// At most kMaxTickBacklogMs / 10 + 1 ticks come in one frame.
int32_t TakeDueTicks(FrameClock* clock, double now);
