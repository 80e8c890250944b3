#include "wayland/wayland_input.h"

#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "host/dismissal_rules.h"
#include "wayland/wayland_client.h"

WaylandInput waylandInput;

namespace {

WaylandInput& input = waylandInput;

void End() { input.ended = true; }

// ---- Pointer ----

// The pointer's place in the compositor's space: the surface covers its
// output, so the output's origin plus the surface coordinates.
void PointerAt(wl_surface* surface, wl_fixed_t sx, wl_fixed_t sy) {
  const OutputRecord* o = OutputOfSurface(surface);
  const int32_t x = wl_fixed_to_int(sx) + (o != nullptr ? o->x : 0);
  const int32_t y = wl_fixed_to_int(sy) + (o != nullptr ? o->y : 0);
  if (!input.anchored) {
    input.anchored = true;
    input.anchorX = x;
    input.anchorY = y;
    return;
  }
  if (MovedBeyondThreshold(input.anchorX, input.anchorY, x, y)) End();
}

// The surface the pointer is over, for its motion events.
wl_surface* pointerSurface;

void OnPointerEnter(void*, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                    wl_fixed_t sx, wl_fixed_t sy) {
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
  pointerSurface = surface;
  PointerAt(surface, sx, sy);
}
void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) { pointerSurface = nullptr; }
void OnPointerMotion(void*, wl_pointer*, uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
  PointerAt(pointerSurface, sx, sy);
}
void OnPointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) { End(); }
void OnPointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { End(); }
void OnPointerFrame(void*, wl_pointer*) {}
void OnPointerAxisSource(void*, wl_pointer*, uint32_t) {}
void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnPointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) { End(); }
void OnPointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) { End(); }

const wl_pointer_listener kPointerListener = {
    OnPointerEnter,     OnPointerLeave,    OnPointerMotion,       OnPointerButton,
    OnPointerAxis,      OnPointerFrame,    OnPointerAxisSource,   OnPointerAxisStop,
    OnPointerAxisDiscrete, OnPointerAxisValue120};

// ---- Keyboard ----

void OnKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }

bool IsHeld(uint32_t key) {
  for (int32_t i = 0; i < input.heldCount; ++i) {
    if (input.heldKeys[i] == key) return true;
  }
  return false;
}

// The focus enters each of our surfaces in turn (one per output), and every
// enter lists the keys held at that moment: a key is kept once, however many
// surfaces it was listed at, so that its one release lets it go.
void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array* keys) {
  const double now = MonotonicMs();
  if (!input.focusSeen) {
    // The grace runs from the first focus: however long the start took,
    // the keystroke that started us has the same time to end.
    input.focusSeen = true;
    input.graceEndsAt = now + kKeyGraceMs;
  }
  const uint32_t* key = static_cast<const uint32_t*>(keys->data);
  const size_t count = keys->size / sizeof(uint32_t);
  if (count == 0) return;
  if (now >= input.graceEndsAt) {
    End();
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    if (!IsHeld(key[i]) && input.heldCount < kMaxHeldKeys) input.heldKeys[input.heldCount++] = key[i];
  }
}

void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}

void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  // The release of a key held since the focus came, within the grace, is
  // the end of the keystroke that started us.
  if (state == WL_KEYBOARD_KEY_STATE_RELEASED && MonotonicMs() < input.graceEndsAt) {
    for (int32_t i = 0; i < input.heldCount; ++i) {
      if (input.heldKeys[i] != key) continue;
      input.heldKeys[i] = input.heldKeys[--input.heldCount];
      return;
    }
  }
  End();
}

void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

// ---- Touch ----

void OnTouchDown(void*, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t,
                 wl_fixed_t) {
  End();
}
void OnTouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) { End(); }
void OnTouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) { End(); }
void OnTouchFrame(void*, wl_touch*) {}
void OnTouchCancel(void*, wl_touch*) {}
void OnTouchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
void OnTouchOrientation(void*, wl_touch*, int32_t, wl_fixed_t) {}

const wl_touch_listener kTouchListener = {OnTouchDown,  OnTouchUp,     OnTouchMotion,
                                          OnTouchFrame, OnTouchCancel, OnTouchShape,
                                          OnTouchOrientation};

// ---- Seats ----

void ReleaseDevices(SeatRecord* s, uint32_t keep) {
  const bool release = wl_seat_get_version(s->seat) >= WL_KEYBOARD_RELEASE_SINCE_VERSION;
  if (s->keyboard != nullptr && (keep & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
    if (release) wl_keyboard_release(s->keyboard);
    else wl_keyboard_destroy(s->keyboard);
    s->keyboard = nullptr;
  }
  if (s->pointer != nullptr && (keep & WL_SEAT_CAPABILITY_POINTER) == 0) {
    if (release) wl_pointer_release(s->pointer);
    else wl_pointer_destroy(s->pointer);
    s->pointer = nullptr;
    pointerSurface = nullptr;
  }
  if (s->touch != nullptr && (keep & WL_SEAT_CAPABILITY_TOUCH) == 0) {
    if (release) wl_touch_release(s->touch);
    else wl_touch_destroy(s->touch);
    s->touch = nullptr;
  }
}

void OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  SeatRecord* s = static_cast<SeatRecord*>(data);
  ReleaseDevices(s, capabilities);
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && s->keyboard == nullptr) {
    s->keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(s->keyboard, &kKeyboardListener, s);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && s->pointer == nullptr) {
    s->pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(s->pointer, &kPointerListener, s);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0 && s->touch == nullptr) {
    s->touch = wl_seat_get_touch(seat);
    wl_touch_add_listener(s->touch, &kTouchListener, s);
  }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

void RemoveSeat(SeatRecord* s) {
  ReleaseDevices(s, 0);
  if (wl_seat_get_version(s->seat) >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(s->seat);
  } else {
    wl_seat_destroy(s->seat);
  }
  std::memset(s, 0, sizeof *s);
}

}  // namespace

void OnSeatGlobal(uint32_t name, uint32_t version) {
  for (SeatRecord& s : input.seats) {
    if (s.used) continue;
    s.used = true;
    s.globalName = name;
    s.seat = static_cast<wl_seat*>(wl_registry_bind(waylandClient.registry, name, &wl_seat_interface,
                                                    version < 7 ? version : 7));
    wl_seat_add_listener(s.seat, &kSeatListener, &s);
    return;
  }
}

void OnGlobalRemoved(uint32_t name) {
  for (SeatRecord& s : input.seats) {
    if (s.used && s.globalName == name) RemoveSeat(&s);
  }
}

void StartInput(double nowMs) { input.graceEndsAt = nowMs + kKeyGraceMs; }

void CheckHeldKeys(double nowMs) {
  if (input.heldCount > 0 && nowMs >= input.graceEndsAt) End();
}

double TimeUntilHeldKeysCount(double nowMs) {
  if (input.heldCount == 0) return -1;
  const double left = input.graceEndsAt - nowMs;
  return left > 0 ? left : 0;
}

void ReleaseInput() {
  for (SeatRecord& s : input.seats) {
    if (s.used) RemoveSeat(&s);
  }
}
