#include "host/native_command_line.h"

#include <cstdio>
#include <cstring>

#ifndef NAVANAVA_VERSION
#define NAVANAVA_VERSION "1.0"
#endif

const char kNativeVersion[] = "navanava " NAVANAVA_VERSION;
const char kWaylandVersion[] = "navanava-wayland " NAVANAVA_VERSION;

// The part of both programs' help that tells where the scene's settings come
// from, lists its options (the %s) and the general ones.
#define SCENE_USAGE \
  "The scene. Options not given come from the settings file\n"                           \
  "$XDG_CONFIG_HOME/navanava/control.ini (else ~/.config/navanava/control.ini),\n"       \
  "section [ScreenSaver.NavaNava], keys \xE9\x80\x9F\xE3\x81\x95=MS (0 to 1000) and "    \
  "\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0=N (0 to 100),\n"                                 \
  "in UTF-8 or code page 932; without them 10 ms and 10 flakes:\n"                       \
  "%s"                                                                                   \
  "  --no-fps        do not show the frame rate\n"                                       \
  "\n"                                                                                   \
  "  --help          this text\n"                                                        \
  "  --version       the program's version\n"                                            \
  "\n"                                                                                   \
  "Options take one or two dashes; a value follows as the next argument or\n"

const char kNativeUsage[] =
    "usage: navanava [options]\n"
    "A figure walks and jumps along the bottom of the window while ice flakes fall.\n"
    "\n"
    "Where it draws (without either, a window of its own; q or Escape closes it):\n"
    "  --root          the screen saver's window ($XSCREENSAVER_WINDOW), else the\n"
    "                  virtual root window, else the root window\n"
    "  --window-id ID  the window ID, hex (0x1a00003) or decimal; wins over --root\n"
    "  --geometry WxH[+X+Y]  size and place of its own window (default 1280x720)\n"
    "  --display NAME  the X display (default $DISPLAY)\n"
    "\n"
    SCENE_USAGE
    "after '=' (--flakes 40, -flakes=40). --window, --mono, --install,\n"
    "--noinstall and --visual NAME are accepted for XScreenSaver and change nothing.\n"
    "\n";

const char kWaylandUsage[] =
    "usage: navanava-wayland [options]\n"
    "A figure walks and jumps along the bottom of the screen while ice flakes fall,\n"
    "on a Wayland compositor with the wlr-layer-shell protocol. It covers every\n"
    "output until a key, a button, a scroll, a touch or a pointer move ends it.\n"
    "Start it from an idle daemon, e.g. swayidle timeout 300 'navanava-wayland'.\n"
    "\n"
    "  --output NAME   the output that shows the scene (default: the largest);\n"
    "                  the others are black\n"
    "                  (a name that names no output is said; the scene then goes\n"
    "                  to the largest until that output appears)\n"
    "  --quit          end the saver that runs in this session and wait until it\n"
    "                  is off the screen; takes no other option\n"
    "  --background    a wallpaper on the bottom layer (above swaybg, below\n"
    "                  windows): no input, never ends on input, no lock\n"
    "\n"
    SCENE_USAGE
    "after '=' (--flakes 40, -flakes=40). One saver runs per session: a second\n"
    "start while one runs exits at once. A pointer move ends it beyond 4 logical\n"
    "pixels (|dx| + |dy|) from where the pointer first appeared.\n"
    "\n";

namespace {

// Copies at most `limit` bytes of `text` into `out` with every byte that is
// not printable ASCII shown as '?', so a message stays one clean line.
void CopyPrintable(const char* text, size_t limit, char* out, size_t capacity) {
  size_t n = 0;
  for (; text[n] != '\0' && n < limit && n + 1 < capacity; ++n) {
    const unsigned char c = static_cast<unsigned char>(text[n]);
    out[n] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  if (text[n] != '\0' && n + 4 < capacity) {
    out[n++] = '.';
    out[n++] = '.';
    out[n++] = '.';
  }
  out[n] = '\0';
}

void Fail(NativeCommandLine* c, const char* format, const char* argument, const char* detail) {
  char shown[48];
  CopyPrintable(argument, 40, shown, sizeof shown);
  c->action = NativeAction::kError;
  std::snprintf(c->error, sizeof c->error, format, shown, detail);
}

enum class ValueKind { kNone, kShared, kWindowId, kGeometry, kDisplay, kVisual, kOutput };

// Which programs know an option.
constexpr unsigned kX11 = 1, kWayland = 2, kBoth = kX11 | kWayland;

struct NativeOption {
  const char* name;
  ValueKind kind;
  unsigned programs;
};

// Options of our own, and (X11) XScreenSaver's standard ones that its
// daemon, its settings app or a user's programs list may pass.
const NativeOption kNativeOptions[] = {
    {"root", ValueKind::kNone, kX11},          {"window-id", ValueKind::kWindowId, kX11},
    {"geometry", ValueKind::kGeometry, kX11},  {"display", ValueKind::kDisplay, kX11},
    {"help", ValueKind::kNone, kBoth},         {"version", ValueKind::kNone, kBoth},
    {"no-fps", ValueKind::kNone, kBoth},       {"window", ValueKind::kNone, kX11},
    {"mono", ValueKind::kNone, kX11},          {"install", ValueKind::kNone, kX11},
    {"noinstall", ValueKind::kNone, kX11},     {"visual", ValueKind::kVisual, kX11},
    {"output", ValueKind::kOutput, kWayland},  {"quit", ValueKind::kNone, kWayland},
    {"background", ValueKind::kNone, kWayland},
};

const char kWindowIdForm[] = "--window-id takes a window id, hex like 0x1a00003 or decimal";
const char kGeometryForm[] =
    "--geometry takes WIDTHxHEIGHT with an optional +X+Y, sides 1 to 32767";

// Reads 1 to 5 decimal digits at *p into *value (at most kMaxWindowExtent).
bool ReadExtent(const char** p, int32_t* value) {
  int32_t v = 0;
  int digits = 0;
  while (**p >= '0' && **p <= '9') {
    if (++digits > 5) return false;
    v = v * 10 + (**p - '0');
    ++*p;
  }
  if (digits == 0 || v > kMaxWindowExtent) return false;
  *value = v;
  return true;
}

}  // namespace

bool ParseWindowId(const char* text, uint32_t* id) {
  if (text == nullptr) return false;
  uint32_t value = 0;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const char* p = text + 2;
    int digits = 0;
    for (; *p != '\0'; ++p) {
      int d;
      if (*p >= '0' && *p <= '9') {
        d = *p - '0';
      } else if (*p >= 'a' && *p <= 'f') {
        d = *p - 'a' + 10;
      } else if (*p >= 'A' && *p <= 'F') {
        d = *p - 'A' + 10;
      } else {
        return false;
      }
      // Leading zeros are harmless; only significant digits are limited.
      if (value == 0 && d == 0) continue;
      if (++digits > 8) return false;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    if (p == text + 2) return false;
  } else if (!ParseDecimal(text, 0xFFFFFFFFu, &value)) {
    return false;
  }
  if (value == 0) return false;  // None names no window
  *id = value;
  return true;
}

bool ParseGeometry(const char* text, NativeCommandLine* c) {
  if (text == nullptr) return false;
  const char* p = text;
  int32_t w = 0, h = 0;
  if (!ReadExtent(&p, &w) || (*p != 'x' && *p != 'X')) return false;
  ++p;
  if (!ReadExtent(&p, &h) || w < 1 || h < 1) return false;
  bool hasPosition = false, xFromRight = false, yFromBottom = false;
  int32_t x = 0, y = 0;
  if (*p != '\0') {
    if (*p != '+' && *p != '-') return false;
    xFromRight = *p++ == '-';
    if (!ReadExtent(&p, &x) || (*p != '+' && *p != '-')) return false;
    yFromBottom = *p++ == '-';
    if (!ReadExtent(&p, &y) || *p != '\0') return false;
    hasPosition = true;
  }
  c->hasGeometry = true;
  c->width = w;
  c->height = h;
  c->hasPosition = hasPosition;
  c->x = x;
  c->y = y;
  c->xFromRight = xFromRight;
  c->yFromBottom = yFromBottom;
  return true;
}

namespace {

void ParseFor(unsigned program, const char* programName, int argc, const char* const* argv,
              NativeCommandLine* c) {
  std::memset(c, 0, sizeof *c);
  c->action = NativeAction::kRun;
  ClearSaverOptions(&c->options);
  // --quit only ends the running saver: an option about running one
  // contradicts it.
  const char* runOption = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg == nullptr) break;
    if (arg[0] != '-' || arg[1] == '\0' || (arg[1] == '-' && arg[2] == '\0')) {
      Fail(c, "unexpected argument '%s'; options start with - or --%s", arg, "");
      return;
    }
    const char* start = arg + (arg[1] == '-' ? 2 : 1);
    // The name ends at '='; names are short, so a long one is unknown anyway.
    char name[32];
    size_t n = 0;
    while (start[n] != '\0' && start[n] != '=' && n < sizeof name - 1) {
      name[n] = start[n];
      ++n;
    }
    name[n] = '\0';
    const char* inlineValue = nullptr;
    if (start[n] == '=') {
      inlineValue = start + n + 1;
    } else if (start[n] != '\0') {
      Fail(c, "unknown option '%s'; see %s --help", arg, programName);
      return;
    }

    const NativeOption* own = nullptr;
    for (const NativeOption& option : kNativeOptions) {
      if ((option.programs & program) != 0 && std::strcmp(option.name, name) == 0) own = &option;
    }
    const bool shared = own == nullptr && (SaverOptionTakesValue(name) || std::strcmp(name, "fps") == 0);
    if (own == nullptr && !shared) {
      Fail(c, "unknown option '%s'; see %s --help", arg, programName);
      return;
    }
    const bool takesValue = shared ? SaverOptionTakesValue(name) : own->kind != ValueKind::kNone;
    if (runOption == nullptr && std::strcmp(name, "quit") != 0) runOption = arg;
    const char* value = inlineValue;
    if (takesValue && value == nullptr && i + 1 < argc) value = argv[++i];
    if (!takesValue && inlineValue != nullptr) {
      Fail(c, "'%s': --%s takes no value", arg, name);
      return;
    }

    char form[120];
    if (shared) {
      DescribeSaverOption(name, form, sizeof form);
      const OptionStatus status = ApplySaverOption(&c->options, name, value);
      if (status == OptionStatus::kMissingValue) {
        Fail(c, "missing value after '%s': %s", arg, form);
        return;
      }
      if (status != OptionStatus::kDone) {
        Fail(c, "bad value '%s': %s", value, form);
        return;
      }
      continue;
    }
    switch (own->kind) {
      case ValueKind::kNone:
        if (std::strcmp(name, "root") == 0) c->root = true;
        if (std::strcmp(name, "window") == 0) c->root = false;
        if (std::strcmp(name, "no-fps") == 0) c->options.showFps = false;
        if (std::strcmp(name, "quit") == 0) c->quit = true;
        if (std::strcmp(name, "background") == 0) c->background = true;
        if (std::strcmp(name, "help") == 0) {
          c->action = NativeAction::kHelp;
          return;
        }
        if (std::strcmp(name, "version") == 0) {
          c->action = NativeAction::kVersion;
          return;
        }
        break;
      case ValueKind::kWindowId:
        if (value == nullptr) {
          Fail(c, "missing value after '%s': %s", arg, kWindowIdForm);
          return;
        }
        if (!ParseWindowId(value, &c->windowId)) {
          Fail(c, "bad window id '%s': %s", value, kWindowIdForm);
          return;
        }
        c->hasWindowId = true;
        break;
      case ValueKind::kGeometry:
        if (value == nullptr) {
          Fail(c, "missing value after '%s': %s", arg, kGeometryForm);
          return;
        }
        if (!ParseGeometry(value, c)) {
          Fail(c, "bad geometry '%s': %s", value, kGeometryForm);
          return;
        }
        break;
      case ValueKind::kDisplay:
      case ValueKind::kVisual:
      case ValueKind::kOutput:
        if (value == nullptr || value[0] == '\0') {
          Fail(c, "missing value after '%s': --%s takes a name", arg, name);
          return;
        }
        if (own->kind == ValueKind::kDisplay) c->displayName = value;
        if (own->kind == ValueKind::kOutput) c->outputName = value;
        break;
      case ValueKind::kShared:
        break;
    }
  }
  if (c->quit && runOption != nullptr) {
    Fail(c, "'%s' cannot go with --quit, which takes no other option%s", runOption, "");
  }
}

}  // namespace

void ParseNativeCommandLine(int argc, const char* const* argv, NativeCommandLine* c) {
  ParseFor(kX11, "navanava", argc, argv, c);
}

void ParseWaylandCommandLine(int argc, const char* const* argv, NativeCommandLine* c) {
  ParseFor(kWayland, "navanava-wayland", argc, argv, c);
}

void ApplyGivenOptions(const SaverOptions& options, SceneSettings* settings) {
  if (options.hasTickInterval) settings->tickIntervalMs = options.tickIntervalMs;
  if (options.hasFlakeCount) settings->flakeCount = options.flakeCount;
}
