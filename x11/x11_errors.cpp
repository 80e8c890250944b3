#include "x11/x11_errors.h"

#include <unistd.h>

X11ErrorState x11Errors;

namespace {

int RecordError(Display*, XErrorEvent* error) {
  if (x11Errors.trapDepth > 0) {
    ++x11Errors.trappedCount;
    return 0;
  }
  if (!x11Errors.failed) {
    x11Errors.failed = true;
    x11Errors.errorCode = error->error_code;
    x11Errors.requestCode = error->request_code;
    x11Errors.resourceId = error->resourceid;
  }
  return 0;
}

// Xlib ends the process when this returns, after printing; end it first,
// quietly. Nothing is left to release: the shared segment was marked for
// removal when it was made.
int ConnectionLost(Display*) { _exit(kExitConnectionLost); }

}  // namespace

void InstallX11ErrorHandlers() {
  XSetErrorHandler(RecordError);
  XSetIOErrorHandler(ConnectionLost);
}

void BeginErrorTrap(Display* display) {
  XSync(display, False);
  if (x11Errors.trapDepth++ == 0) x11Errors.trappedCount = 0;
}

bool EndErrorTrap(Display* display) {
  XSync(display, False);
  const bool trapped = x11Errors.trappedCount > 0;
  if (--x11Errors.trapDepth == 0) x11Errors.trappedCount = 0;
  return trapped;
}

int ExitCodeForXError(Window window) {
  const unsigned char code = x11Errors.errorCode;
  if (code == BadWindow || code == BadDrawable) return kExitWindowGone;
  if (code == BadMatch && x11Errors.resourceId == window) return kExitWindowGone;
  return kExitXError;
}
