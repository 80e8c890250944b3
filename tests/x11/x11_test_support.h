#pragma once
// What the X tests share: starting the real program, reading a window's
// pixels back from the server and comparing them with the frame tool's
// frame, and looking at a process from outside (exit, output, memory,
// shared memory segments).
#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// The program under test, from NAVANAVA_PROGRAM.
std::string ProgramPath();

struct Child {
  pid_t pid = -1;
  std::string outputPath;  // stdout and stderr together
};

// Starts the program with `args`, its output going to a fresh file, in an
// environment with XDG_CONFIG_HOME pointing at an empty folder (so the
// settings are the defaults; an XDG_CONFIG_HOME in `env` replaces it) and
// XSCREENSAVER_WINDOW removed, plus `env` entries ("NAME=value").
Child StartProgram(const std::vector<std::string>& args,
                   const std::vector<std::string>& env = {});
// Waits up to `seconds` for the child to end; true with its wait status.
bool WaitForExit(pid_t pid, double seconds, int* status);
// Ends a child that is still running (SIGKILL) and reaps it.
void KillChild(pid_t pid);
std::string ReadOutput(const Child& child);
// The exit code of a wait status, or -signal when a signal ended it.
int ExitCodeOf(int status);

// The frame that `navanava-render` writes for this size, count, seed and
// tick, as 0x00RRGGBB pixels: true colour, or (depth 8) the scene palette's
// colour of each index. With a scale the frame is drawn at the scene size
// (window size divided by the scale, rounded up) and enlarged.
std::vector<uint32_t> ExpectedFrame(int32_t width, int32_t height, uint32_t count, uint32_t seed,
                                    int32_t ticks, int depth, int32_t scale = 1);

struct PictureCheck {
  bool equal = false;
  int64_t differing = -1;  // pixels that differ (-1: the window could not be read)
  int64_t differingInside = 0;  // of those, inside the rectangle set aside
  int32_t firstX = -1, firstY = -1;
  uint32_t got = 0, wanted = 0;  // at the first difference, 0x00RRGGBB
  std::string Describe() const;
};

// Reads the window's pixels with XGetImage and turns them into colours
// through its own visual: channel masks for a true-colour visual, the
// window's colormap for the others. Each colour is compared at the
// precision the visual has (a 5-bit channel compares the top 5 bits).
// Differences inside `aside` (left, top, right, bottom; right and bottom
// excluded) are counted apart and do not make the pictures unequal.
struct Aside {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
PictureCheck CompareWindow(Display* display, Window window, const std::vector<uint32_t>& expected,
                           int32_t width, int32_t height, Aside aside = Aside());
// Compares every 100 ms until the window shows `expected` or `seconds` pass.
PictureCheck WaitForPicture(Display* display, Window window, const std::vector<uint32_t>& expected,
                            int32_t width, int32_t height, double seconds);
struct TickRange {
  int32_t first = -1, last = -1;
};
// The window's pixels as 0x00RRGGBB at the visual's precision; empty when it
// cannot be read.
std::vector<uint32_t> ReadWindow(Display* display, Window window, int32_t width, int32_t height);
// The ticks from `from` to `to` whose frame (the frame tool's, true colour,
// this size, count and seed) equals `pixels`: the first and the last that
// do, both -1 when none does.
TickRange FindTick(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                   uint32_t count, uint32_t seed, int32_t from, int32_t to);

// Voluntary context switches of `pid` so far (each time it slept and was
// woken), -1 when unknown.
long VoluntarySwitches(pid_t pid);

// Writes the window's pixels as a PNG (for a failing test's report).
bool SaveWindow(Display* display, Window window, const std::string& path);

// A mapped window at (0, 0) of the root, with a visual, depth and colormap
// of the caller's choice (the defaults when visual is null).
Window MakeTestWindow(Display* display, int32_t width, int32_t height, Visual* visual = nullptr,
                      int depth = 0, Colormap colormap = None);
// The first visual of a class at a depth, or null.
Visual* FindVisual(Display* display, int visualClass, int depth);
// Lets the test's connection outlive windows of other clients that go away
// while it looks at them (a search that lists a window which is destroyed
// before its name is read): BadWindow and BadDrawable are counted and
// otherwise ignored; other errors go to Xlib's handler as before. Calls that
// fail that way return failure, which the tests check.
void TolerateVanishingWindows();
// BadWindow and BadDrawable errors ignored so far.
int VanishedWindowErrors();
// A top-level window whose name is `name`, waiting up to `seconds`.
Window FindWindowNamed(Display* display, const char* name, double seconds);
// Top-level windows (children of the root).
int CountTopLevelWindows(Display* display);

// Shared memory segments created by `pid` (from /proc/sysvipc/shm).
int SharedSegmentsOf(pid_t pid);
// The same for a program that has ended: the server lets go of a segment only
// once it has noticed the client gone, so this waits up to two seconds for
// the count to reach 0 and returns what is left then.
int SharedSegmentsLeftBy(pid_t pid);
// Resident memory of `pid` in kB (VmRSS), -1 when unknown.
long ResidentKb(pid_t pid);

void SleepSeconds(double seconds);
