#pragma once
// X errors and a lost connection, turned into quiet ends with exit codes.
// Xlib's own handlers print and exit; ours record the error (the main loop
// then ends with the matching code) or, for a lost connection, end at once.
#include <X11/Xlib.h>

#include "host/exit_codes.h"

struct X11ErrorState {
  int trapDepth;        // > 0: errors are expected by the code running now
  int trappedCount;     // errors that arrived inside traps
  bool failed;          // an error arrived outside a trap
  unsigned char errorCode, requestCode;
  XID resourceId;
};

extern X11ErrorState x11Errors;

// Replaces Xlib's error and I/O error handlers.
void InstallX11ErrorHandlers();
// Brackets requests whose errors are expected (attaching shared memory,
// allocating colours, asking about a window that may be gone). The server's
// answers are waited for at both ends, so each error lands on its own side.
void BeginErrorTrap(Display* display);
// True when an error arrived since BeginErrorTrap.
bool EndErrorTrap(Display* display);
// The exit code for an error that arrived outside a trap: kExitWindowGone
// when it concerns `window` (or any window or drawable, since ours are the
// only ones we touch), else kExitXError.
int ExitCodeForXError(Window window);
