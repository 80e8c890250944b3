#include "wayland/wayland_instance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct InstanceLock {
  int fd;  // -1 when not held
};

InstanceLock instanceLock = {-1};

// The lock file's path for the compositor in WAYLAND_DISPLAY (a name in the
// runtime folder or an absolute path; "wayland-0" when unset, as the client
// library assumes). False without a runtime folder.
bool LockPath(char* path, size_t capacity) {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir == nullptr || dir[0] != '/') return false;
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || display[0] == '\0') display = "wayland-0";
  const char* slash = std::strrchr(display, '/');
  if (slash != nullptr) display = slash + 1;
  const int n = std::snprintf(path, capacity, "%s/navanava-wayland-%s.lock", dir, display);
  return n > 0 && static_cast<size_t>(n) < capacity;
}

void SleepMs(long ms) {
  timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

// The process id written in the file, 0 when there is none (yet).
pid_t ReadHolder(int fd) {
  char text[24];
  const ssize_t n = pread(fd, text, sizeof text - 1, 0);
  if (n <= 0) return 0;
  text[n] = '\0';
  char* end = nullptr;
  const long pid = std::strtol(text, &end, 10);
  if (end == text || pid <= 1 || pid > 0x3FFFFFFF) return 0;
  return static_cast<pid_t>(pid);
}

}  // namespace

InstanceStatus TakeInstanceLock() {
  char path[4096];
  if (!LockPath(path, sizeof path)) return InstanceStatus::kNoLock;
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceStatus::kNoLock;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held ? InstanceStatus::kAlreadyRunning : InstanceStatus::kNoLock;
  }
  char text[24];
  const int n = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(getpid()));
  if (ftruncate(fd, 0) != 0 || pwrite(fd, text, static_cast<size_t>(n), 0) != n) {
    // The lock still keeps a second saver away; --quit just cannot find us.
  }
  instanceLock.fd = fd;
  return InstanceStatus::kFirst;
}

bool QuitRunningInstance(double seconds) {
  char path[4096];
  if (!LockPath(path, sizeof path)) return true;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return true;
  const long steps = static_cast<long>(seconds * 100);
  pid_t signalled = 0;
  bool gone = false;
  for (long i = 0; !gone; ++i) {
    if (flock(fd, LOCK_SH | LOCK_NB) == 0) {
      gone = true;
      break;
    }
    // The holder writes its id right after taking the lock; until then
    // there is nobody to signal yet.
    const pid_t holder = ReadHolder(fd);
    if (holder != 0 && holder != signalled && holder != getpid()) {
      kill(holder, SIGTERM);
      signalled = holder;
    }
    if (i == steps && signalled != 0) kill(signalled, SIGKILL);
    if (i > steps + 200) break;
    SleepMs(10);
  }
  close(fd);
  return gone;
}
