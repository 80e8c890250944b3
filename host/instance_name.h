#pragma once
// The name of the Wayland saver's one-per-session lock: an abstract-namespace
// Unix socket (no file anywhere; the kernel frees the name when the process
// ends) named for the user and for the compositor's socket. The compositor is
// known by the path of its socket, resolved (symbolic links followed) when it
// exists, so "wayland-1" in $XDG_RUNTIME_DIR and the same socket given as an
// absolute path name one lock.
#include <cstddef>

// The socket path that WAYLAND_DISPLAY `display` names: an absolute path as
// it is, else the name in `runtimeDir` ("wayland-0" when display is null or
// empty, as the client library assumes). False when it does not fit or a
// relative name has no runtime folder.
bool WaylandSocketPath(const char* runtimeDir, const char* display, char* path, size_t capacity);

// The abstract socket's name, without its leading zero byte, into `name`
// (at most kInstanceNameCapacity - 1 bytes and a terminating zero):
// "navanava-wayland/UID/PATH", with a 64-bit digest of PATH in its place when
// the whole would not fit an abstract address.
constexpr size_t kInstanceNameCapacity = 108;
void InstanceLockName(unsigned uid, const char* socketPath, char* name);

// The lock's name for this process: its real user and the compositor in
// $XDG_RUNTIME_DIR and $WAYLAND_DISPLAY. False when they name no socket path.
bool InstanceLockNameFromEnvironment(char* name);
