#pragma once
// One saver per session. The running saver holds an advisory lock (flock) on
// $XDG_RUNTIME_DIR/navanava-wayland-<display>.lock and keeps its process id
// in the file; the lock goes with the process however it ends, so a stale
// file never blocks a start.
#include <sys/types.h>

enum class InstanceStatus {
  kFirst,           // the lock is ours until ReleaseInstanceLock or the end
  kAlreadyRunning,  // another saver holds it
  kNoLock,          // no runtime folder or the file cannot be made: run anyway
};

// Takes the lock without waiting and writes our process id into the file.
// The lock is held until the process ends.
InstanceStatus TakeInstanceLock();

// Sends SIGTERM to the saver that holds the lock and waits until the lock is
// free, i.e. until that process has ended; after `seconds` it is killed and
// waited for a little longer. True when no saver holds the lock at the end.
bool QuitRunningInstance(double seconds);
