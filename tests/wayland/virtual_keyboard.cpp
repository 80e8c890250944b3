// A keyboard for the tests: a virtual keyboard on the compositor's seat
// (zwp_virtual_keyboard_manager_v1), driven by lines on stdin, so that a
// test decides when a key goes down and when it comes up:
//   press CODE     the key with evdev code CODE goes down
//   release CODE   and comes up
// Each command is followed by a round trip and "done" on stdout. The device
// lives until stdin ends.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat;
zwp_virtual_keyboard_manager_v1* manager;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// A keymap that the compositor compiles from the system's keyboard data.
const char kKeymap[] =
    "xkb_keymap {\n"
    "  xkb_keycodes { include \"evdev+aliases(qwerty)\" };\n"
    "  xkb_types { include \"complete\" };\n"
    "  xkb_compat { include \"complete\" };\n"
    "  xkb_symbols { include \"pc+us+inet(evdev)\" };\n"
    "};\n";

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "virtual_keyboard: no compositor\n");
    return 2;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, nullptr);
  wl_display_roundtrip(display);
  if (manager == nullptr || seat == nullptr) {
    std::fprintf(stderr, "virtual_keyboard: no zwp_virtual_keyboard_manager_v1\n");
    return 7;
  }
  zwp_virtual_keyboard_v1* keyboard =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
  const int fd = memfd_create("virtual-keyboard-keymap", MFD_CLOEXEC);
  if (fd < 0 || write(fd, kKeymap, sizeof kKeymap) != static_cast<ssize_t>(sizeof kKeymap)) {
    std::fprintf(stderr, "virtual_keyboard: no keymap file\n");
    return 6;
  }
  zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, sizeof kKeymap);
  close(fd);
  if (wl_display_roundtrip(display) < 0) {
    std::fprintf(stderr, "virtual_keyboard: the compositor refused the keyboard\n");
    return 5;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  char line[128];
  uint32_t time = 1;
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    unsigned code = 0;
    time += 10;
    if (std::sscanf(line, "press %u", &code) == 1) {
      zwp_virtual_keyboard_v1_key(keyboard, time, code, WL_KEYBOARD_KEY_STATE_PRESSED);
    } else if (std::sscanf(line, "release %u", &code) == 1) {
      zwp_virtual_keyboard_v1_key(keyboard, time, code, WL_KEYBOARD_KEY_STATE_RELEASED);
    } else {
      continue;
    }
    if (wl_display_roundtrip(display) < 0) return 5;
    std::printf("done\n");
    std::fflush(stdout);
  }
  zwp_virtual_keyboard_v1_destroy(keyboard);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
