#pragma once
// The exit codes of the programs outside Windows (the X11 and Wayland
// programs), and what each means in words: the programs' --help prints these
// words and their manual pages say the same (a test compares them).
#include <cstddef>

enum ExitCode {
  kExitDone = 0,             // a signal, a key or button that ends it, the close button
  kExitBadCommandLine = 1,
  kExitNoDisplay = 2,        // no X display or Wayland compositor to connect to
  kExitWindowGone = 3,       // the window was destroyed under us, or never existed
  kExitConnectionLost = 4,
  kExitXError = 5,           // another error from the display server
  kExitCannotDraw = 6,       // unusable visual, no memory, damaged built-in sprites
  kExitNoLayerShell = 7,     // a Wayland compositor without the layer-shell protocol
  kExitNoInstanceLock = 8,   // Wayland: no one-saver lock, or --quit could not end the saver
};

struct ExitCodeMeaning {
  int code;
  const char* meaning;  // one sentence without its full stop
};

// The X11 program's exit codes, in order.
extern const ExitCodeMeaning kX11ExitCodes[];
extern const int kX11ExitCodeCount;
// The Wayland program's.
extern const ExitCodeMeaning kWaylandExitCodes[];
extern const int kWaylandExitCodeCount;

// "Exit codes:" and one entry per code, each wrapped to 79 columns, into
// `buffer` (cut to capacity - 1 bytes, always terminated). The length written.
// The meaning of `code` in `codes`, or null when it has none.
const char* ExitCodeMeaningOf(const ExitCodeMeaning* codes, int count, int code);

size_t FormatExitCodes(const ExitCodeMeaning* codes, int count, char* buffer, size_t capacity);
