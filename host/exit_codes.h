#pragma once
// The exit codes of the programs outside Windows (the X11 and Wayland
// programs). Their --help and manual pages list the same table.
enum ExitCode {
  kExitDone = 0,             // a signal, a key or button that ends it, the close button
  kExitBadCommandLine = 1,
  kExitNoDisplay = 2,        // no X display or Wayland compositor to connect to
  kExitWindowGone = 3,       // the window was destroyed under us, or never existed
  kExitConnectionLost = 4,
  kExitXError = 5,           // another error from the display server
  kExitCannotDraw = 6,       // unusable visual, no memory, damaged built-in sprites
  kExitNoLayerShell = 7,     // a Wayland compositor without the layer-shell protocol
};
