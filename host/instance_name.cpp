#include "host/instance_name.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

bool WaylandSocketPath(const char* runtimeDir, const char* display, char* path, size_t capacity) {
  if (display == nullptr || display[0] == '\0') display = "wayland-0";
  int n;
  if (display[0] == '/') {
    n = std::snprintf(path, capacity, "%s", display);
  } else {
    if (runtimeDir == nullptr || runtimeDir[0] == '\0') return false;
    n = std::snprintf(path, capacity, "%s/%s", runtimeDir, display);
  }
  return n > 0 && static_cast<size_t>(n) < capacity;
}

void InstanceLockName(unsigned uid, const char* socketPath, char* name) {
  const int n = std::snprintf(name, kInstanceNameCapacity, "navanava-wayland/%u/%s", uid,
                              socketPath);
  if (n > 0 && static_cast<size_t>(n) < kInstanceNameCapacity) return;
  // FNV-1a over the whole path: long paths stay apart.
  uint64_t digest = 0xcbf29ce484222325ULL;
  for (const char* p = socketPath; *p != '\0'; ++p) {
    digest ^= static_cast<unsigned char>(*p);
    digest *= 0x100000001b3ULL;
  }
  std::snprintf(name, kInstanceNameCapacity, "navanava-wayland/%u/#%016llx", uid,
                static_cast<unsigned long long>(digest));
}

bool InstanceLockNameFromEnvironment(char* name) {
  char path[PATH_MAX];
  if (!WaylandSocketPath(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"), path,
                         sizeof path)) {
    return false;
  }
  char resolved[PATH_MAX];
  InstanceLockName(static_cast<unsigned>(getuid()),
                   realpath(path, resolved) != nullptr ? resolved : path, name);
  return true;
}
