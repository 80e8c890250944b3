// navanava: the scene in an X window, as an XScreenSaver hack or on its own.
// One thread: the loop sleeps until the next picture is due (at most one per
// refresh of the display under the window, running every tick that fell due
// since the last), watching a pipe that the signal handlers write to and,
// when no picture is near, the X connection.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <malloc.h>
#include <poll.h>
#include <time.h>

#include <cerrno>
#include <cstdio>

#include "host/end_signals.h"
#include "host/native_command_line.h"
#include "host/saver_options.h"
#include "host/standard_descriptors.h"
#include "host/timer_clock.h"
#include "x11/x11_errors.h"
#include "x11/x11_window.h"
#include "render/compose.h"
#include "render/frame_step.h"
#include "render/saver_sprites.h"
#include "x11/x11_present.h"
#include "x11/x11_refresh.h"
#include "scene/scene.h"
#include "scene/profile_store.h"
#include "scene/settings.h"

namespace {

struct SaverRun {
  NativeCommandLine commandLine;
  FrameStep step;         // the ticks since the scene (re)started, and what they changed
  TimerClock clock;
  int64_t refreshNs;      // of the display under the window; 0: not known
  FrameRateMeter meter;   // pictures, not ticks
  bool exposed;           // the window needs everything again
  bool resized;
  int32_t newWidth, newHeight;
  int exitCode;           // >= 0: end with this code
};

SaverRun run;

int64_t NowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * kNanosecondsPerSecond + t.tv_nsec;
}

// The scene from its first tick, at the presenter's scene size.
void StartScene() {
  scene.screenWidth = x11Presenter.sceneWidth;
  scene.screenHeight = x11Presenter.sceneHeight;
  if (run.commandLine.options.hasSeed) {
    InitSceneWithSeed(run.commandLine.options.seed);
  } else {
    InitScene();
  }
  StartFrameStep(&run.step, scene.screenWidth, scene.screenHeight);
  const int64_t now = NowNs();
  StartTimerClock(&run.clock, sceneSettings.tickIntervalMs, run.refreshNs, now);
  StartFrameRateMeter(&run.meter, now);
}

void DrawFrameRate() {
  if (!run.commandLine.options.showFps) return;
  char text[32];
  const size_t n = FormatFrameRate(run.meter.framesPerSecond, text, sizeof text);
  DrawCornerText(text, n);
}

// Sends what is pending (all of it after an expose) and the frame rate.
void Present() {
  if (run.exposed) DamageWholeScreen(&run.step.damage);
  run.exposed = false;
  PresentDamage(&run.step.damage);
  DrawFrameRate();
  XFlush(x11Presenter.display);
}

bool Stopped() {
  return run.commandLine.options.stopAfterTicks > 0 &&
         run.step.ticksDone >= run.commandLine.options.stopAfterTicks;
}

// One picture: each due tick blackens what the last one drew, moves and
// composes, gathering what changed; then the change goes out at once.
void Picture(int32_t ticks, int64_t now) {
  const X11Presenter& p = x11Presenter;
  const int32_t stop = run.commandLine.options.stopAfterTicks;
  if (stop > 0 && ticks > stop - run.step.ticksDone) ticks = stop - run.step.ticksDone;
  for (int32_t i = 0; i < ticks; ++i) {
    if (p.indexed) StepFrame(&run.step, p.back8, saverSprites.indexed);
    else StepFrame(&run.step, p.back32, saverSprites.rgb);
  }
  CountFrame(&run.meter, now);
  Present();
}

void HandleEvent(const XEvent& event) {
  const Window window = x11Window.window;
  if (TakeCompletionEvent(event)) return;
  switch (event.type) {
    case Expose:
      if (event.xexpose.window == window) run.exposed = true;
      break;
    case ConfigureNotify:
      if (event.xconfigure.window == window &&
          (event.xconfigure.width != x11Presenter.windowWidth ||
           event.xconfigure.height != x11Presenter.windowHeight || run.resized)) {
        run.resized = true;
        run.newWidth = event.xconfigure.width;
        run.newHeight = event.xconfigure.height;
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window && run.exitCode < 0) run.exitCode = kExitWindowGone;
      break;
    case KeyPress:
      if (x11Window.own) {
        char c = 0;
        KeySym key = NoSymbol;
        XLookupString(const_cast<XKeyEvent*>(&event.xkey), &c, 1, &key, nullptr);
        if (c == 'q' || c == 'Q' || c == 27 || c == 3 || key == XK_Escape) run.exitCode = kExitDone;
      }
      break;
    case ClientMessage:
      if (x11Window.own && event.xclient.message_type == x11Window.wmProtocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == x11Window.wmDeleteWindow) {
        run.exitCode = kExitDone;
      }
      break;
    default:
      break;
  }
}

int SizeAndStart(int32_t width, int32_t height) {
  const PresenterStatus status =
      SizePresenter(width, height, run.commandLine.options.pixelScale);
  if (status != PresenterStatus::kReady) return kExitCannotDraw;
  // A new size may come with a new mode or another output under the window.
  run.refreshNs = RefreshPeriodNs(x11Window.display, x11Window.window);
  StartScene();
  // The window shows black at once, whatever it showed before.
  Present();
  return -1;
}

// Whether events may wait unseen after a present. Sending requests can make
// the connection read what the server sent meanwhile into its own queue, and
// the socket then shows nothing. After a shared-memory put the completion
// event follows and wakes the loop; otherwise the queue must be looked at.
// The frame rate's first drawing also waits for the server (loading a font).
bool MayHoldEvents() {
  return !x11Presenter.completionPending || run.commandLine.options.showFps;
}

int RunLoop() {
  Display* display = x11Window.display;
  const int xfd = ConnectionNumber(display);
  run.exitCode = SizeAndStart(x11Window.attributes.width, x11Window.attributes.height);
  // Whether the socket or the connection's own queue may hold events. Reading
  // costs a system call, so it is done only after the socket woke the loop,
  // after a sleep that did not watch the socket, after a round trip (which
  // may have read events while waiting) or after requests were sent (see
  // MayHoldEvents).
  bool check = true;
  while (run.exitCode < 0) {
    if (check) {
      check = false;
      for (int n = XPending(display); n > 0 && run.exitCode < 0; --n) {
        XEvent event;
        XNextEvent(display, &event);
        HandleEvent(event);
      }
    }
    if (x11Errors.failed && run.exitCode < 0) run.exitCode = ExitCodeForXError(x11Window.window);
    if (run.exitCode >= 0) break;

    const X11Presenter& p = x11Presenter;
    if (run.resized && !p.completionPending) {
      run.resized = false;
      run.exitCode = SizeAndStart(run.newWidth, run.newHeight);
      check = true;
      continue;
    }
    const int64_t now = NowNs();
    const bool ticking = !Stopped();
    if (!p.completionPending && ticking) {
      const int32_t due = TakePictureTicks(&run.clock, now);
      if (due > 0) {
        Picture(due, now);
        check = MayHoldEvents();
        continue;
      }
    }
    if (!p.completionPending && run.exposed) {
      Present();
      check = MayHoldEvents();
      continue;
    }

    // Sleep until the next picture, an event or a signal. With a picture
    // due within a refresh the connection is not watched: what the server
    // sends meanwhile (the last put's completion, above all) is read when
    // the picture falls due, so that each picture costs one wake-up. A
    // picture further off, or none (the scene stopped, or the server still
    // reading the image when the picture is due), lets events wake the loop.
    int64_t left = ticking ? TimeUntilPicture(run.clock, now) : -1;
    if (left == 0) left = -1;  // due, but the server has not read the image yet
    const bool watchServer = left < 0 || left > run.clock.refreshNs;
    timespec timeout;
    timespec* wait = nullptr;
    if (left > 0) {
      timeout.tv_sec = static_cast<time_t>(left / kNanosecondsPerSecond);
      timeout.tv_nsec = static_cast<long>(left % kNanosecondsPerSecond);
      wait = &timeout;
    }
    XFlush(display);
    if (XEventsQueued(display, QueuedAlready) > 0) {
      check = true;
      continue;
    }
    pollfd fds[2] = {{EndSignalFd(), POLLIN, 0}, {xfd, POLLIN, 0}};
    const int ready = ppoll(fds, watchServer ? 2 : 1, wait, nullptr);
    if (ready < 0 && errno != EINTR) {
      run.exitCode = kExitConnectionLost;
      break;
    }
    if (ready > 0 && (fds[0].revents & POLLIN)) {
      run.exitCode = kExitDone;
      break;
    }
    if (ready > 0 && (fds[1].revents & (POLLERR | POLLHUP))) {
      // Let Xlib find the broken connection: its handler ends the process.
      XNoOp(display);
      XSync(display, False);
    }
    if (ready == 0 && !watchServer) check = true;  // slept past what the server sent
    if (ready > 0 && (fds[1].revents & POLLIN)) check = true;
  }
  return run.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  // Buffers are made again at every resize. A fixed threshold keeps the large
  // ones in mappings of their own, handed back whole when freed; the
  // allocator's sliding threshold would otherwise move them onto the heap
  // after the first free, where freed memory may stay resident.
  mallopt(M_MMAP_THRESHOLD, 64 * 1024);
  KeepStandardDescriptorsOpen();
  ParseNativeCommandLine(argc, argv, &run.commandLine);
  switch (run.commandLine.action) {
    case NativeAction::kHelp: {
      std::printf(kNativeUsage, kSaverOptionsHelp);
      char codes[1024];
      FormatExitCodes(kX11ExitCodes, kX11ExitCodeCount, codes, sizeof codes);
      std::fputs(codes, stdout);
      return kExitDone;
    }
    case NativeAction::kVersion:
      std::printf("%s\n", kNativeVersion);
      return kExitDone;
    case NativeAction::kError:
      std::fprintf(stderr, "navanava: %s\n", run.commandLine.error);
      return kExitBadCommandLine;
    case NativeAction::kRun:
      break;
  }

  LoadSaverStrings();
  ReadSettingsReporting("navanava");
  ApplyGivenOptions(run.commandLine.options, &sceneSettings);
  if (!LoadSaverSprites()) {
    std::fprintf(stderr, "navanava: the built-in sprites are damaged\n");
    return kExitCannotDraw;
  }
  if (!SetUpEndSignals()) return kExitCannotDraw;

  Display* display = XOpenDisplay(run.commandLine.displayName);
  if (display == nullptr) {
    std::fprintf(stderr, "navanava: cannot open display \"%s\"\n",
                 XDisplayName(run.commandLine.displayName));
    return kExitNoDisplay;
  }
  InstallX11ErrorHandlers();
  int code = OpenSaverWindow(display, run.commandLine);
  if (code != kExitDone) return code;

  const PresenterStatus status = SetUpPresenter(display, x11Window.window, x11Window.attributes, true);
  if (status != PresenterStatus::kReady) return kExitCannotDraw;
  code = RunLoop();
  // A window that is gone or a failed server leaves nothing to tidy up
  // there; the connection's end releases everything the server holds.
  if (code == kExitDone) {
    ReleasePresenter();
    XCloseDisplay(display);
  }
  return code;
}
