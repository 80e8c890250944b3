#pragma once
// The command lines of the native programs: `navanava` (X11: where it
// draws) and `navanava-wayland` (which output, --quit, --background), each
// with the shared saver options, help and version. Options start with one or two
// dashes; a value follows as the next argument or after '=' in the same one
// ("--flakes 40", "-flakes=40"). A later option overrides an earlier one.
#include <cstddef>
#include <cstdint>

#include "host/saver_options.h"
#include "scene/settings.h"

enum class NativeAction {
  kRun,      // draw
  kHelp,     // print the usage, exit 0
  kVersion,  // print the version, exit 0
  kError,    // print `error`, exit 1
};

constexpr int32_t kMaxWindowExtent = 32767;  // the largest X window side
constexpr size_t kCommandLineErrorCapacity = 200;

struct NativeCommandLine {
  NativeAction action;
  SaverOptions options;
  bool root;              // --root: the screen saver's window or the (virtual) root
  bool hasWindowId;       // --window-id ID: this window, whatever --root says
  uint32_t windowId;
  bool hasGeometry;       // --geometry WxH[+X+Y]: size of our own window
  int32_t width, height;
  bool hasPosition;
  int32_t x, y;           // from the left and top edges, or from the right and
  bool xFromRight, yFromBottom;  // bottom ones for "-X" and "-Y"
  const char* displayName;  // --display NAME; null means $DISPLAY
  // navanava-wayland only:
  const char* outputName;  // --output NAME: the scene's output; null picks the largest
  bool quit;               // --quit: end the running saver and wait until it is gone
  bool background;         // --background: a wallpaper behind everything, no input
  char error[kCommandLineErrorCapacity];  // one printable line for kError
};

// Reads argv[1] .. argv[argc - 1]. Stops at the first problem with action
// kError and a message that names the argument and the valid form. The
// record points into argv (displayName, outputName) and must not outlive it.
// Each program knows only its own options: the X11 program's, and
// XScreenSaver's standard ones, are unknown to the Wayland program and the
// other way round.
void ParseNativeCommandLine(int argc, const char* const* argv, NativeCommandLine* commandLine);
void ParseWaylandCommandLine(int argc, const char* const* argv, NativeCommandLine* commandLine);

// A window id: "0x" or "0X" and 1 to 8 hex digits, or 1 to 10 decimal digits,
// nonzero and at most 0xFFFFFFFF.
bool ParseWindowId(const char* text, uint32_t* id);

// "WxH", optionally followed by "+X+Y" (any of the signs may be '-': measured
// from the right or bottom edge); sides 1 .. kMaxWindowExtent, offsets
// 0 .. kMaxWindowExtent.
bool ParseGeometry(const char* text, NativeCommandLine* commandLine);

// Options given on the command line win over the settings file: the fields
// given replace those that ReadSettings loaded.
void ApplyGivenOptions(const SaverOptions& options, SceneSettings* settings);

extern const char kNativeUsage[];
extern const char kNativeVersion[];
extern const char kWaylandUsage[];
extern const char kWaylandVersion[];
