#pragma once
// The window the program draws in: one that is given (--window-id, the
// screen saver's $XSCREENSAVER_WINDOW), the virtual or real root window
// (--root), or a top-level window of our own.
#include <X11/Xlib.h>

#include "host/native_command_line.h"

struct X11Window {
  Display* display;
  Window window;
  bool own;                 // made by us: q, Escape and the close button end it
  XWindowAttributes attributes;  // visual, depth, colormap and size when found
  Atom wmProtocols, wmDeleteWindow;
};

extern X11Window x11Window;

// Finds or makes the window and selects the events the program needs on it
// (expose, size changes, destruction; keys on its own window). Returns
// kExitDone, or the exit code after printing a one-line message (a given
// window that does not exist: kExitWindowGone).
int OpenSaverWindow(Display* display, const NativeCommandLine& commandLine);

// The virtual root of the screen (a window marked __SWM_VROOT among the root's
// children, as virtual desktops and screen savers mark theirs), else the root.
Window FindVirtualRoot(Display* display, int screen);
