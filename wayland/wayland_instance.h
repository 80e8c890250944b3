#pragma once
// One saver per session. The running saver listens on an abstract-namespace
// Unix socket named for the user and the compositor (host/instance_name.h):
// binding the name is the lock, and the kernel frees it when the process
// ends, however it ends, so no file is made and none is left behind.
// --quit connects to it, asks the saver to end, and waits for its answer,
// which comes once the saver's surfaces have left the screen.
#include <cstddef>

enum class InstanceStatus {
  kFirst,           // the name is ours until the process ends
  kAlreadyRunning,  // another saver of this user holds it
  kNoLock,          // no lock can be had (`why` says why): no saver may start
};

// Binds the name without waiting.
InstanceStatus TakeInstanceLock(char* why, size_t capacity);

// The listening socket, readable when someone connects; -1 without a lock.
int InstanceRequestFd();
// Takes a pending connection; true when it is this user's --quit asking us
// to end (its answer then waits for AnswerQuitAndReleaseLock).
bool TakeQuitRequest();
// Frees the name and tells a waiting --quit that we are gone. Called once
// the surfaces have left the screen.
void AnswerQuitAndReleaseLock();

enum class QuitResult {
  kNoneRunning,  // no saver holds the name
  kEnded,        // the saver answered that it is gone, or its end was seen
  kUnreachable,  // it could not be asked, or did not end (`why` says why)
};

// Asks the running saver to end and waits up to `seconds` for its answer; a
// saver of ours that does not answer in time is killed and, for a little
// longer, waited for.
QuitResult QuitRunningInstance(double seconds, char* why, size_t capacity);
