// navanava-wayland: the scene on a Wayland compositor with wlr-layer-shell,
// started by an idle daemon (swayidle, hypridle) and ended by input.
// One thread: the loop waits on the compositor's connection and on a pipe
// that the signal handlers write to, until the next tick is due.
#include <malloc.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/end_signals.h"
#include "host/exit_codes.h"
#include "host/native_command_line.h"
#include "host/saver_options.h"
#include "host/standard_descriptors.h"
#include "render/saver_sprites.h"
#include "scene/profile_store.h"
#include "scene/settings.h"
#include "wayland/wayland_client.h"
#include "wayland/wayland_input.h"
#include "wayland/wayland_instance.h"

namespace {

struct SaverRun {
  NativeCommandLine commandLine;
  int exitCode;  // >= 0: end with this code
};

SaverRun run;

// The code for a connection that failed: a protocol error the compositor
// raised, or the connection gone.
int ExitCodeForFailure(wl_display* display) {
  const int error = wl_display_get_error(display);
  if (error == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
    std::fprintf(stderr, "navanava-wayland: the compositor reported a protocol error (%u on %s)\n",
                 code, interface != nullptr ? interface->name : "the display");
    return kExitXError;
  }
  return kExitConnectionLost;
}

// The manual page's words for a code that no more particular line has told.
void SayExit(int code) {
  const char* meaning = ExitCodeMeaningOf(kWaylandExitCodes, kWaylandExitCodeCount, code);
  if (meaning != nullptr) std::fprintf(stderr, "navanava-wayland: %s\n", meaning);
}

// Sends what is queued; waits for room when the socket is full.
bool Flush(wl_display* display) {
  while (wl_display_flush(display) < 0) {
    if (errno != EAGAIN) return false;
    pollfd fd = {wl_display_get_fd(display), POLLOUT, 0};
    if (poll(&fd, 1, 1000) < 0 && errno != EINTR) return false;
  }
  return true;
}

double Earliest(double a, double b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

int RunLoop() {
  wl_display* display = waylandClient.display;
  const int fd = wl_display_get_fd(display);
  while (run.exitCode < 0) {
    if (wl_display_dispatch_pending(display) < 0) return ExitCodeForFailure(display);
    if (waylandInput.ended) return kExitDone;
    if (waylandClient.noMemory) return kExitCannotDraw;
    CoverOutputs();
    const double now = MonotonicMs();
    CheckHeldKeys(now);
    if (waylandInput.ended) return kExitDone;
    DrawDue(now);
    if (waylandClient.noMemory) return kExitCannotDraw;

    // Sleep until something is due, the compositor speaks or a signal comes.
    while (wl_display_prepare_read(display) != 0) {
      if (wl_display_dispatch_pending(display) < 0) return ExitCodeForFailure(display);
    }
    if (!Flush(display)) {
      wl_display_cancel_read(display);
      return ExitCodeForFailure(display);
    }
    const double after = MonotonicMs();
    const double waitMs = Earliest(TimeUntilDrawDue(after), TimeUntilHeldKeysCount(after));
    timespec timeout;
    timespec* wait = nullptr;
    if (waitMs >= 0) {
      const long long ns = static_cast<long long>(waitMs * 1e6);
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000LL);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000LL);
      wait = &timeout;
    }
    pollfd fds[3] = {{fd, POLLIN, 0}, {EndSignalFd(), POLLIN, 0},
                     {InstanceRequestFd(), POLLIN, 0}};
    const int ready = ppoll(fds, 3, wait, nullptr);
    if (ready < 0 && errno != EINTR) {
      wl_display_cancel_read(display);
      return kExitConnectionLost;
    }
    if (ready > 0 && ((fds[1].revents & POLLIN) != 0 ||
                      ((fds[2].revents & POLLIN) != 0 && TakeQuitRequest()))) {
      wl_display_cancel_read(display);
      return kExitDone;
    }
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
      if (wl_display_read_events(display) < 0) return ExitCodeForFailure(display);
    } else {
      wl_display_cancel_read(display);
    }
  }
  return run.exitCode;
}

// Our surfaces leave the screen before the process (and with it the lock)
// goes, so that whoever waits for the lock finds the screen free.
void TearDown() {
  ReleaseInput();
  ReleaseClient();
  wl_display_roundtrip(waylandClient.display);
  wl_display_disconnect(waylandClient.display);
  waylandClient.display = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // Buffers are made again at every resize; a fixed threshold keeps the
  // large ones in mappings of their own, handed back whole when freed.
  mallopt(M_MMAP_THRESHOLD, 64 * 1024);
  KeepStandardDescriptorsOpen();
  ParseWaylandCommandLine(argc, argv, &run.commandLine);
  const NativeCommandLine& c = run.commandLine;
  switch (c.action) {
    case NativeAction::kHelp: {
      std::printf(kWaylandUsage, kSaverOptionsHelp);
      char codes[1024];
      FormatExitCodes(kWaylandExitCodes, kWaylandExitCodeCount, codes, sizeof codes);
      std::fputs(codes, stdout);
      return kExitDone;
    }
    case NativeAction::kVersion:
      std::printf("%s\n", kWaylandVersion);
      return kExitDone;
    case NativeAction::kError:
      std::fprintf(stderr, "navanava-wayland: %s\n", c.error);
      return kExitBadCommandLine;
    case NativeAction::kRun:
      break;
  }
  char why[200];
  if (c.quit) {
    if (QuitRunningInstance(5.0, why, sizeof why) != QuitResult::kUnreachable) return kExitDone;
    std::fprintf(stderr, "navanava-wayland: %s\n", why);
    return kExitNoInstanceLock;
  }
  // A wallpaper for a locker may run beside the saver; only savers count.
  if (!c.background) {
    switch (TakeInstanceLock(why, sizeof why)) {
      case InstanceStatus::kFirst:
        break;
      case InstanceStatus::kAlreadyRunning:
        return kExitDone;
      case InstanceStatus::kNoLock:
        std::fprintf(stderr, "navanava-wayland: %s; no saver starts without it\n", why);
        return kExitNoInstanceLock;
    }
  }

  LoadSaverStrings();
  ReadSettingsReporting("navanava-wayland");
  ApplyGivenOptions(c.options, &sceneSettings);
  if (!LoadSaverSprites()) {
    std::fprintf(stderr, "navanava-wayland: the built-in sprites are damaged\n");
    return kExitCannotDraw;
  }
  run.exitCode = -1;
  if (!SetUpEndSignals()) {
    SayExit(kExitCannotDraw);
    return kExitCannotDraw;
  }

  // wl_display_connect takes WAYLAND_SOCKET (a connection handed over by a
  // locker) before WAYLAND_DISPLAY.
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "navanava-wayland: no Wayland compositor can be reached (\"%s\")\n",
                 name != nullptr && name[0] != '\0' ? name : "wayland-0");
    return kExitNoDisplay;
  }
  WaylandClient& client = waylandClient;
  client.display = display;
  client.background = c.background;
  client.wantedOutput = c.outputName;
  SceneView& view = client.view;
  view.stopAfterTicks = c.options.stopAfterTicks;
  view.showFps = c.options.showFps;
  view.requestedScale = c.options.pixelScale;
  view.hasSeed = c.options.hasSeed;
  view.seed = c.options.seed;
  StartInput(MonotonicMs());

  const char* missing = nullptr;
  if (!BindGlobals(&missing)) {
    int code = kExitConnectionLost;
    if (missing == nullptr) {
      code = ExitCodeForFailure(display);
      if (code == kExitConnectionLost) SayExit(code);
    } else if (std::strcmp(missing, "zwlr_layer_shell_v1") == 0) {
      std::fprintf(stderr,
                   "navanava-wayland: this compositor offers no wlr-layer-shell "
                   "(zwlr_layer_shell_v1), which the saver needs to cover the screen\n");
      code = kExitNoLayerShell;
    } else {
      std::fprintf(stderr, "navanava-wayland: this compositor offers no %s\n", missing);
      code = kExitCannotDraw;
    }
    wl_display_disconnect(display);
    return code;
  }
  if (client.wantedOutput != nullptr && !WantedOutputPresent()) {
    std::fprintf(stderr,
                 "navanava-wayland: no output is called \"%s\"; the scene goes to the largest "
                 "and moves there if it appears\n",
                 client.wantedOutput);
  }
  const int code = RunLoop();
  if (code == kExitDone || code == kExitCannotDraw) TearDown();
  if (code == kExitConnectionLost || code == kExitCannotDraw) SayExit(code);
  // A waiting --quit hears of our end only once our surfaces are gone.
  AnswerQuitAndReleaseLock();
  return code;
}
