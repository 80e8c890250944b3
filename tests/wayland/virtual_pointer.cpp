// A pointer for the tests: a virtual pointer device on the compositor's seat
// (zwlr_virtual_pointer_manager_v1), driven by lines on stdin:
//   abs X Y W H   the pointer to (X, Y) of a W x H space spanning all outputs
//   move DX DY    a relative motion
//   button        a left button press and release
//   axis          one step of the vertical scroll wheel
// Each command goes out as one frame and is followed by a round trip, so it
// has reached the compositor before the next line is read. The device lives
// until stdin ends.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat;
zwlr_virtual_pointer_manager_v1* manager;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "virtual_pointer: no compositor\n");
    return 2;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, nullptr);
  wl_display_roundtrip(display);
  if (manager == nullptr) {
    std::fprintf(stderr, "virtual_pointer: no zwlr_virtual_pointer_manager_v1\n");
    return 7;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  wl_display_roundtrip(display);
  std::printf("ready\n");
  std::fflush(stdout);
  char line[128];
  uint32_t time = 1;
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    int a = 0, b = 0, c = 0, d = 0;
    time += 10;
    if (std::sscanf(line, "abs %d %d %d %d", &a, &b, &c, &d) == 4) {
      zwlr_virtual_pointer_v1_motion_absolute(pointer, time, static_cast<uint32_t>(a),
                                              static_cast<uint32_t>(b), static_cast<uint32_t>(c),
                                              static_cast<uint32_t>(d));
    } else if (std::sscanf(line, "move %d %d", &a, &b) == 2) {
      zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (std::strncmp(line, "button", 6) == 0) {
      zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
      zwlr_virtual_pointer_v1_button(pointer, time + 5, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (std::strncmp(line, "axis", 4) == 0) {
      zwlr_virtual_pointer_v1_axis(pointer, time, WL_POINTER_AXIS_VERTICAL_SCROLL,
                                   wl_fixed_from_int(15));
    } else {
      continue;
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    std::printf("done\n");
    std::fflush(stdout);
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
