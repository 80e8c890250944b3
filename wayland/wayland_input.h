#pragma once
// Input that ends the saver: a key pressed or released, a button, a scroll,
// a touch, or the pointer more than kMouseThreshold pixels (|dx| + |dy|, in
// the compositor's logical space) from where it first appeared. Seats and
// their capabilities are followed as they come and go. Over our surfaces
// the cursor is hidden.
//
// A key already held when the keyboard focus first arrives (the Enter that
// started the saver from a terminal, say) is let go during a short grace
// from that moment; a key still held when the grace ends, or held at a focus
// that arrives later, ends the saver. A key listed at the focus of several
// surfaces (one per output) is one key.
#include <cstdint>

struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_touch;

constexpr int kMaxSeats = 4;
constexpr int kMaxHeldKeys = 16;
constexpr double kKeyGraceMs = 500.0;

struct SeatRecord {
  bool used;
  uint32_t globalName;
  wl_seat* seat;
  wl_keyboard* keyboard;
  wl_pointer* pointer;
  wl_touch* touch;
};

struct WaylandInput {
  SeatRecord seats[kMaxSeats];
  bool ended;             // input asked the saver to end
  bool anchored;          // the pointer's first position is known
  int32_t anchorX, anchorY;
  uint32_t heldKeys[kMaxHeldKeys];  // held at focus during the grace, not yet released
  int32_t heldCount;
  bool focusSeen;         // a keyboard focus came; the grace runs from it
  double graceEndsAt;     // MonotonicMs
};

extern WaylandInput waylandInput;

// The grace runs from `nowMs` until the first keyboard focus starts it anew.
void StartInput(double nowMs);
// Ends the saver when a key held since the focus came outlives the grace.
void CheckHeldKeys(double nowMs);
// Milliseconds until CheckHeldKeys matters, or -1.
double TimeUntilHeldKeysCount(double nowMs);
void ReleaseInput();
