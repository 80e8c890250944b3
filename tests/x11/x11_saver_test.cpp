// The real program on a real X server (a private Xvfb of the depth under
// test, started by run_on_xvfb.sh): the window's pixels read back from the
// server equal the frame tool's frame for the same size, seed and tick;
// where it draws (a given window, the screen saver's, the virtual root, the
// root as the screen changes size); resize, expose, pixel scale, windows of
// visuals other than the default one, and the frame rate; how it
// ends (signals, keys, the close button, a destroyed window, a lost server)
// and what it says about bad command lines.
//
// NAVANAVA_EXPECT_SHM=1 when the server offers shared memory that the
// program can attach, 0 when it must fall back to XPutImage.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/x11/x11_test_support.h"

extern char** environ;

namespace {

Display* display = nullptr;

std::string Hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(w));
  return text;
}

bool ExpectShm() {
  const char* e = std::getenv("NAVANAVA_EXPECT_SHM");
  return e == nullptr || std::string(e) != "0";
}

// The depth of frame to expect in a window: palette colours for a colormap
// visual, true colour otherwise.
int FrameDepthOf(Window window) {
  XWindowAttributes a;
  XGetWindowAttributes(display, window, &a);
  return a.visual->c_class == TrueColor ? 32 : 8;
}

// Waits until no top-level window is named `name` any more: the server takes
// a program's window down only once it has seen the connection closed, so
// the next program's window could otherwise be mistaken for the old one.
bool WaitUntilNoWindowNamed(const char* name, double seconds) {
  const int tries = static_cast<int>(seconds * 20) + 1;
  for (int i = 0; i < tries; ++i) {
    if (FindWindowNamed(display, name, 0.0) == None) return true;
    SleepSeconds(0.05);
  }
  return false;
}

class X11Saver : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no display; run under run_on_xvfb.sh";
    TolerateVanishingWindows();
  }

  void TearDown() override {
    for (const Child& c : children_) KillChild(c.pid);
    for (Window w : windows_) XDestroyWindow(display, w);
    XSync(display, False);
  }

  Child Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    Child c = StartProgram(args, env);
    EXPECT_GT(c.pid, 0);
    children_.push_back(c);
    return c;
  }

  Window Make(int32_t w, int32_t h, Visual* visual = nullptr, int depth = 0, Colormap map = None) {
    const Window window = MakeTestWindow(display, w, h, visual, depth, map);
    windows_.push_back(window);
    return window;
  }

  // Waits for the window to show tick `ticks` of the scene; on failure the
  // window is saved beside the test for a look.
  void ExpectPicture(Window window, int32_t w, int32_t h, uint32_t count, uint32_t seed,
                     int32_t ticks, int32_t scale = 1) {
    const std::vector<uint32_t> expected =
        ExpectedFrame(w, h, count, seed, ticks, FrameDepthOf(window), scale);
    ASSERT_FALSE(expected.empty());
    const PictureCheck check = WaitForPicture(display, window, expected, w, h, 60.0);
    if (!check.equal) {
      const std::string path = std::string("x11-failed-") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                               ".png";
      SaveWindow(display, window, path);
      ADD_FAILURE() << check.Describe() << " (window saved as " << path << ")";
    }
  }

  // SIGTERM ends it within a second, with exit code 0 and not a word.
  void ExpectQuietEndOnSignal(const Child& c, int signal = SIGTERM) {
    ASSERT_EQ(kill(c.pid, signal), 0);
    int status = 0;
    ASSERT_TRUE(WaitForExit(c.pid, 1.0, &status)) << "still running a second after the signal";
    EXPECT_EQ(ExitCodeOf(status), 0);
    EXPECT_EQ(ReadOutput(c), "");
  }

  std::vector<Child> children_;
  std::vector<Window> windows_;
};

TEST_F(X11Saver, PreviewSizedWindowShowsTheFrameToolsFrame) {
  const Window w = Make(565, 317);
  const auto started = std::chrono::steady_clock::now();
  const Child c = Start({"--window-id", Hex(w), "--interval", "0", "--flakes", "100", "--seed",
                         "7", "--ticks", "400"});
  ExpectPicture(w, 565, 317, 100, 7, 400);
  // An interval of 0 runs at the platform timer's 10 ms: tick 400 cannot
  // come before 4 s (a busy machine only makes it later).
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took.count(), 3.95);
  // It stays, stopped, with one shared image or none.
  int status = 0;
  EXPECT_FALSE(WaitForExit(c.pid, 0.2, &status));
  EXPECT_EQ(SharedSegmentsOf(c.pid), ExpectShm() ? 1 : 0);
  ExpectQuietEndOnSignal(c);
  EXPECT_EQ(SharedSegmentsLeftBy(c.pid), 0);
}

// The settings file as a Linux editor saves it (UTF-8 keys) gives the
// picture and the pace of the same options; a key it does not know is named.
TEST_F(X11Saver, AUtf8SettingsFileActsAsTheSameOptions) {
  char pattern[] = "/tmp/navanava-x11-config-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string config = pattern;
  ASSERT_EQ(mkdir((config + "/navanava").c_str(), 0755), 0);
  std::ofstream(config + "/navanava/control.ini")
      << "[ScreenSaver.NavaNava]\n\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0=100\n"
         "\xE9\x80\x9F\xE3\x81\x95=20\nflakes=3\n";
  const Window w = Make(800, 600);
  const auto started = std::chrono::steady_clock::now();
  const Child c = Start({"--window-id", Hex(w), "--seed", "5", "--ticks", "180"},
                        {"XDG_CONFIG_HOME=" + config});
  ExpectPicture(w, 800, 600, 100, 5, 180);
  // 20 ms a tick, not the default 10: tick 180 cannot come before 3.6 s.
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took.count(), 3.55);
  ASSERT_EQ(kill(c.pid, SIGTERM), 0);
  int status = 0;
  ASSERT_TRUE(WaitForExit(c.pid, 1.0, &status));
  EXPECT_EQ(ReadOutput(c), "navanava: " + config +
                               "/navanava/control.ini: line 4: unknown key \"flakes\" in "
                               "[ScreenSaver.NavaNava], ignored\n");
  if (std::system(("rm -rf '" + config + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

TEST_F(X11Saver, OwnWindowTakesTheGeometryAndEndsOnQ) {
  ASSERT_TRUE(WaitUntilNoWindowNamed("NavaNava", 30.0));
  const Child c = Start({"-geometry", "640x360+0+0", "-seed=3", "-ticks", "420", "-flakes=40",
                         "-interval=0"});
  const Window w = FindWindowNamed(display, "NavaNava", 30.0);
  ASSERT_NE(w, None);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, w, &a));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 360);
  ExpectPicture(w, 640, 360, 40, 3, 420);
  const std::string key = "timeout 30 xdotool windowfocus --sync " + std::to_string(w) + " key q";
  ASSERT_EQ(std::system(key.c_str()), 0);
  int status = 0;
  ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
  EXPECT_EQ(ExitCodeOf(status), 0);
  EXPECT_EQ(ReadOutput(c), "");
}

TEST_F(X11Saver, OwnWindowEndsOnEscapeAndOnTheCloseButton) {
  ASSERT_TRUE(WaitUntilNoWindowNamed("NavaNava", 30.0));
  for (int way = 0; way < 2; ++way) {
    const Child c = Start({"--geometry", "300x200"});
    const Window w = FindWindowNamed(display, "NavaNava", 30.0);
    ASSERT_NE(w, None);
    SleepSeconds(0.3);
    if (way == 0) {
      const std::string key = "timeout 30 xdotool windowfocus --sync " + std::to_string(w) + " key Escape";
      ASSERT_EQ(std::system(key.c_str()), 0);
    } else {
      // What a window manager sends when its close button is pressed.
      XEvent e = {};
      e.xclient.type = ClientMessage;
      e.xclient.window = w;
      e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
      e.xclient.format = 32;
      e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
      e.xclient.data.l[1] = CurrentTime;
      XSendEvent(display, w, False, NoEventMask, &e);
      XFlush(display);
    }
    int status = 0;
    ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status)) << (way == 0 ? "Escape" : "close button");
    EXPECT_EQ(ExitCodeOf(status), 0);
    EXPECT_EQ(ReadOutput(c), "");
    ASSERT_TRUE(WaitUntilNoWindowNamed("NavaNava", 30.0));
  }
}

TEST_F(X11Saver, RootDrawsInTheScreenSaversWindowAndWindowIdWinsOverRoot) {
  // As the daemon starts a hack: --root, its window in $XSCREENSAVER_WINDOW.
  const Window saver = Make(420, 300);
  const Child a = Start({"--root", "--seed", "11", "--ticks", "395", "--flakes", "30"},
                        {"XSCREENSAVER_WINDOW=" + Hex(saver)});
  ExpectPicture(saver, 420, 300, 30, 11, 395);
  ExpectQuietEndOnSignal(a);
  XDestroyWindow(display, saver);
  windows_.pop_back();

  // As the settings app starts a preview: the list's "--root" and then
  // " --window-id 0x...".
  const Window preview = Make(565, 317);
  const Child b = Start({"--root", "--window-id", Hex(preview), "--seed", "12", "--ticks", "400",
                         "--flakes", "60"});
  ExpectPicture(preview, 565, 317, 60, 12, 400);
  ExpectQuietEndOnSignal(b, SIGINT);
}

TEST_F(X11Saver, ResizeStartsTheSceneAgainAtTheNewSize) {
  const Window w = Make(400, 300);
  const Child c = Start({"--window-id", Hex(w), "--seed", "5", "--ticks", "390", "--flakes", "100"});
  SleepSeconds(1.0);
  XResizeWindow(display, w, 565, 317);
  XSync(display, False);
  ExpectPicture(w, 565, 317, 100, 5, 390);
  int status = 0;
  EXPECT_FALSE(WaitForExit(c.pid, 0.1, &status)) << "the same process goes on";
  // And back to a smaller size once it has stopped.
  XResizeWindow(display, w, 330, 250);
  XSync(display, False);
  ExpectPicture(w, 330, 250, 100, 5, 390);
  EXPECT_EQ(SharedSegmentsOf(c.pid), ExpectShm() ? 1 : 0) << "the old segment is gone";
  // Only the height changes, then only the width: each is a new size.
  XResizeWindow(display, w, 330, 290);
  XSync(display, False);
  ExpectPicture(w, 330, 290, 100, 5, 390);
  XResizeWindow(display, w, 350, 290);
  XSync(display, False);
  ExpectPicture(w, 350, 290, 100, 5, 390);
  EXPECT_EQ(SharedSegmentsOf(c.pid), ExpectShm() ? 1 : 0) << "the old segment is gone";
  ExpectQuietEndOnSignal(c);
}

// Buffers are made again at every resize. Growing the window to a large size
// and back several times, without shared memory (the images are then the
// program's own memory), leaves its resident memory where it was at the
// small size, apart from a little.
TEST_F(X11Saver, ResizeUpAndDownThreeTimesHandsTheMemoryBack) {
  // The window's pixels can be read back only where it is on the screen.
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  if (root.width < 1600 || root.height < 1200) GTEST_SKIP() << "needs a screen of 1600 x 1200";
  const Window w = Make(320, 240);
  const Child c = Start({"--window-id", Hex(w), "--seed", "6", "--ticks", "30", "--flakes", "100"});
  ExpectPicture(w, 320, 240, 100, 6, 30);
  // Once at the large size first, so that what stays allocated for good
  // (Xlib's buffers, the font of nothing) is counted in the start.
  XResizeWindow(display, w, 1600, 1200);
  XSync(display, False);
  ExpectPicture(w, 1600, 1200, 100, 6, 30);
  XResizeWindow(display, w, 320, 240);
  XSync(display, False);
  ExpectPicture(w, 320, 240, 100, 6, 30);
  const long start = ResidentKb(c.pid);
  ASSERT_GT(start, 0);
  long largest = start;
  for (int round = 0; round < 3; ++round) {
    XResizeWindow(display, w, 1600, 1200);
    XSync(display, False);
    ExpectPicture(w, 1600, 1200, 100, 6, 30);
    XResizeWindow(display, w, 320, 240);
    XSync(display, False);
    ExpectPicture(w, 320, 240, 100, 6, 30);
    largest = std::max(largest, ResidentKb(c.pid));
  }
  const long end = ResidentKb(c.pid);
  std::printf("resident at 320 x 240: %ld kB, then at most %ld kB, at the end %ld kB\n", start,
              largest, end);
  EXPECT_LE(end - start, 1024) << "resident memory grew from " << start << " to " << end << " kB";
  EXPECT_LE(largest - start, 1024) << "resident memory reached " << largest << " kB";
  ExpectQuietEndOnSignal(c);
}

TEST_F(X11Saver, ExposedPartsAreDrawnAgain) {
  const Window w = Make(500, 320);
  const Child c = Start({"--window-id", Hex(w), "--seed", "9", "--ticks", "400", "--flakes", "50"});
  ExpectPicture(w, 500, 320, 50, 9, 400);
  // A window over ours, then gone: the server paints our background there
  // and asks for the rest with an expose.
  XSetWindowAttributes set;
  set.override_redirect = True;
  set.background_pixel = WhitePixel(display, DefaultScreen(display));
  const Window cover = XCreateWindow(display, DefaultRootWindow(display), 50, 100, 400, 200, 0,
                                     CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel, &set);
  XMapRaised(display, cover);
  XSync(display, False);
  SleepSeconds(0.2);
  XDestroyWindow(display, cover);
  XSync(display, False);
  ExpectPicture(w, 500, 320, 50, 9, 400);
  ExpectQuietEndOnSignal(c);
}

TEST_F(X11Saver, PixelScaleShowsEachScenePixelAsABlock) {
  const Window w = Make(501, 333);
  const Child c = Start({"--window-id", Hex(w), "--scale", "2", "--seed", "4", "--ticks", "405",
                         "--flakes", "100"});
  ExpectPicture(w, 501, 333, 100, 4, 405, 2);
  ExpectQuietEndOnSignal(c);
}

TEST_F(X11Saver, FrameRateShowsInTheLowerLeftCornerOnly) {
  const Window w = Make(400, 300);
  const Child c = Start({"--window-id", Hex(w), "--fps", "--seed", "1", "--ticks", "150",
                         "--flakes", "0"});
  const std::vector<uint32_t> expected = ExpectedFrame(400, 300, 0, 1, 150, FrameDepthOf(w));
  Aside corner;
  corner.left = 0;
  corner.top = 270;
  corner.right = 160;
  corner.bottom = 300;
  // Tick 150 comes after 1.5 s, later on a busy machine.
  SleepSeconds(2.5);
  PictureCheck check;
  for (int i = 0; i < 600; ++i) {
    check = CompareWindow(display, w, expected, 400, 300, corner);
    if (check.equal) break;
    SleepSeconds(0.1);
  }
  EXPECT_TRUE(check.equal) << "outside the corner: " << check.Describe();
  EXPECT_GT(check.differingInside, 20) << "no text drawn";
  ExpectQuietEndOnSignal(c);
}

TEST_F(X11Saver, DestroyedWindowEndsItQuietlyWithCodeThree) {
  const Window w = Make(300, 200);
  const Child c = Start({"--window-id", Hex(w), "--interval", "0", "--flakes", "100"});
  // Destroyed once the program watches the window (it selects structure
  // events on it), not after a fixed time: on a loaded machine the program
  // may not have found the window yet, and a window missing at start is a
  // different case (below).
  bool watched = false;
  for (int i = 0; i < 600 && !watched; ++i) {
    XWindowAttributes a;
    watched = XGetWindowAttributes(display, w, &a) != 0 &&
              (a.all_event_masks & ~a.your_event_mask & StructureNotifyMask) != 0;
    if (!watched) SleepSeconds(0.05);
  }
  ASSERT_TRUE(watched) << "the program never watched its window";
  SleepSeconds(0.3);
  XDestroyWindow(display, w);
  XSync(display, False);
  windows_.pop_back();
  int status = 0;
  ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
  EXPECT_EQ(ExitCodeOf(status), 3);
  EXPECT_EQ(ReadOutput(c), "");
  EXPECT_EQ(SharedSegmentsLeftBy(c.pid), 0);
}

TEST_F(X11Saver, AWindowIdThatNamesNoWindowIsRefused) {
  const Child c = Start({"--window-id", "0x7ffffff"});
  int status = 0;
  ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
  EXPECT_EQ(ExitCodeOf(status), 3);
  EXPECT_EQ(ReadOutput(c), "navanava: there is no window 0x7ffffff on this display\n");
}

TEST_F(X11Saver, NoDisplayIsOneLineAndCodeTwo) {
  const Child c = Start({"--root"}, {"DISPLAY=:9999"});
  int status = 0;
  ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
  EXPECT_EQ(ExitCodeOf(status), 2);
  EXPECT_EQ(ReadOutput(c), "navanava: cannot open display \":9999\"\n");
}

TEST_F(X11Saver, BadCommandLinesSayWhatIsWrongAndDrawNothing) {
  struct Case {
    std::vector<std::string> args;
    const char* mentions;  // a part of the message
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--flakes"}, "--flakes N takes a whole number from 0 to 100"},
      {{"--flakes", "101"}, "bad value '101'"},
      {{"--interval=-1"}, "--interval MS takes a whole number from 0 to 1000"},
      {{"--window-id"}, "--window-id takes a window id"},
      {{"--root", "--window-id", "0xZZ"}, "bad window id '0xZZ'"},
      {{"--window-id", "0"}, "bad window id '0'"},
      {{"--geometry", "0x5"}, "bad geometry '0x5'"},
      {{"--ticks", "0"}, "--ticks N takes a whole number from 1 to 2147483647"},
      {{"--scale", "9"}, "--scale N takes a whole number from 0 to 8"},
      {{"--fps=1"}, "--fps takes no value"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--bo\x7fgus\t"}, "unknown option '--bo?gus?'"},
  };
  const int windowsBefore = CountTopLevelWindows(display);
  for (const Case& k : cases) {
    const Child c = Start(k.args);
    int status = 0;
    ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status)) << k.args[0];
    EXPECT_EQ(ExitCodeOf(status), 1) << k.args[0];
    const std::string out = ReadOutput(c);
    EXPECT_EQ(out.rfind("navanava: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
    EXPECT_NE(out.find(k.mentions), std::string::npos) << out;
  }
  EXPECT_EQ(CountTopLevelWindows(display), windowsBefore) << "a window was made";

  for (const char* ok : {"--help", "-version"}) {
    const Child c = Start({ok});
    int status = 0;
    ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
    EXPECT_EQ(ExitCodeOf(status), 0);
    EXPECT_NE(ReadOutput(c).find(std::string(ok) == "--help" ? "--window-id ID" : "navanava "),
              std::string::npos);
  }
}

TEST_F(X11Saver, DirectColorWindowGetsThePaletteInItsOwnColormap) {
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  Visual* direct = FindVisual(display, DirectColor, root.depth);
  if (direct == nullptr || root.depth < 15) GTEST_SKIP() << "no DirectColor visual at this depth";
  const Colormap map = XCreateColormap(display, DefaultRootWindow(display), direct, AllocNone);
  const Window w = Make(400, 300, direct, root.depth, map);
  const Child c = Start({"--window-id", Hex(w), "--seed", "23", "--ticks", "400", "--flakes", "100"});
  ExpectPicture(w, 400, 300, 100, 23, 400);
  ExpectQuietEndOnSignal(c);
  XFreeColormap(display, map);
}

TEST_F(X11Saver, ColormapWindowsOfOtherVisualsUseTheirOwnColormap) {
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  if (root.depth != 8) GTEST_SKIP() << "needs an 8-bit screen";
  // A PseudoColor window with a private colormap: the colours must be
  // allocated there, not in the default colormap.
  Visual* pseudo = FindVisual(display, PseudoColor, 8);
  ASSERT_NE(pseudo, nullptr);
  const Colormap privateMap =
      XCreateColormap(display, DefaultRootWindow(display), pseudo, AllocNone);
  const Window a = Make(400, 300, pseudo, 8, privateMap);
  const Child ca = Start({"--window-id", Hex(a), "--seed", "21", "--ticks", "400", "--flakes", "100"});
  ExpectPicture(a, 400, 300, 100, 21, 400);
  ExpectQuietEndOnSignal(ca);

  // An 8-bit TrueColor window (3-3-2), not the screen's default visual.
  Visual* tiny = FindVisual(display, TrueColor, 8);
  ASSERT_NE(tiny, nullptr);
  const Colormap tinyMap = XCreateColormap(display, DefaultRootWindow(display), tiny, AllocNone);
  const Window b = Make(400, 300, tiny, 8, tinyMap);
  const Child cb = Start({"--window-id", Hex(b), "--seed", "22", "--ticks", "400", "--flakes", "100"});
  ExpectPicture(b, 400, 300, 100, 22, 400);
  ExpectQuietEndOnSignal(cb);
  XFreeColormap(display, privateMap);
  XFreeColormap(display, tinyMap);
}

// The tests below do not depend on the depth; NAVANAVA_X11_ONCE=1 marks the
// one server where they run.
bool RunOnce() {
  const char* once = std::getenv("NAVANAVA_X11_ONCE");
  return once != nullptr && std::string(once) == "1";
}

TEST_F(X11Saver, RootMeansTheVirtualRootWhenThereIsOne) {
  if (!RunOnce()) GTEST_SKIP();
  // A virtual desktop's root: a child of the real root names it.
  const Window frame = Make(600, 400);
  const Window vroot = XCreateSimpleWindow(display, frame, 0, 0, 600, 400, 0, 0, 0);
  XMapWindow(display, vroot);
  const Atom atom = XInternAtom(display, "__SWM_VROOT", False);
  const unsigned long value = vroot;
  XChangeProperty(display, frame, atom, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
  XSync(display, False);
  const Child c = Start({"--root", "--seed", "31", "--ticks", "400", "--flakes", "100"});
  ExpectPicture(vroot, 600, 400, 100, 31, 400);
  ExpectQuietEndOnSignal(c);
}

TEST_F(X11Saver, RootFollowsTheScreenWhenItsSizeChanges) {
  if (!RunOnce()) GTEST_SKIP();
  XWindowAttributes before;
  XGetWindowAttributes(display, DefaultRootWindow(display), &before);
  const Child c = Start({"--root", "--seed", "32", "--ticks", "400", "--flakes", "100"});
  ExpectPicture(DefaultRootWindow(display), before.width, before.height, 100, 32, 400);
  // xrandr complains on Xvfb, yet the screen shrinks.
  ASSERT_EQ(std::system("xrandr --fb 800x600 >/dev/null 2>&1; true"), 0);
  XWindowAttributes after;
  XGetWindowAttributes(display, DefaultRootWindow(display), &after);
  ASSERT_EQ(after.width, 800);
  ExpectPicture(DefaultRootWindow(display), 800, 600, 100, 32, 400);
  int status = 0;
  EXPECT_FALSE(WaitForExit(c.pid, 0.0, &status)) << "the same process goes on";
  ExpectQuietEndOnSignal(c);
  const std::string back = "xrandr --fb " + std::to_string(before.width) + "x" +
                           std::to_string(before.height) + " >/dev/null 2>&1; true";
  if (std::system(back.c_str()) != 0) {}  // cleanup; a failure changes nothing
}

// Every signal that asks a program to end (SIGHUP too: the terminal it was
// started from went away) ends it with 0 and not a word.
TEST_F(X11Saver, HangupEndsItQuietlyWithCodeZero) {
  if (!RunOnce()) GTEST_SKIP();
  const Window w = Make(320, 200);
  const Child c = Start({"--window-id", Hex(w), "--seed", "2", "--ticks", "60", "--flakes", "10"});
  ExpectPicture(w, 320, 200, 10, 2, 60);
  ExpectQuietEndOnSignal(c, SIGHUP);
  EXPECT_EQ(SharedSegmentsLeftBy(c.pid), 0);
}

// A position from the right and bottom edges (-X-Y) puts the window's own
// right and bottom edges that far from the screen's.
TEST_F(X11Saver, GeometryFromTheRightAndBottomPlacesTheWholeWindowOnTheScreen) {
  if (!RunOnce()) GTEST_SKIP();
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  struct Case {
    const char* geometry;
    int x, y, width, height;
  } cases[] = {
      {"300x200-0-0", root.width - 300, root.height - 200, 300, 200},
      {"320x180-10+20", root.width - 320 - 10, 20, 320, 180},
      {"200x100+30-40", 30, root.height - 100 - 40, 200, 100},
  };
  ASSERT_TRUE(WaitUntilNoWindowNamed("NavaNava", 30.0));
  for (const Case& k : cases) {
    const Child c = Start({"-geometry", k.geometry, "--flakes", "0"});
    const Window w = FindWindowNamed(display, "NavaNava", 30.0);
    ASSERT_NE(w, None) << k.geometry;
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(display, w, &a));
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display, w, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, k.x) << k.geometry;
    EXPECT_EQ(y, k.y) << k.geometry;
    EXPECT_EQ(a.width, k.width) << k.geometry;
    EXPECT_EQ(a.height, k.height) << k.geometry;
    ExpectQuietEndOnSignal(c);
    ASSERT_TRUE(WaitUntilNoWindowNamed("NavaNava", 30.0)) << k.geometry;
  }
}

// With shared memory the server reads the image after the put returns: the
// program must not draw into it again before the server says it is done.
// While a second connection holds the server grabbed, nothing of the
// program's is read, so no tick may follow the one in flight; the last tick
// can then come no sooner than the grab's length after the time the ticks
// alone take. (The tick period is a lower bound however busy the machine;
// only the check that the picture arrives waits generously.)
TEST_F(X11Saver, NoTickRunsAheadWhileTheServerHasNotReadTheImage) {
  if (!RunOnce() || !ExpectShm()) GTEST_SKIP() << "needs shared memory";
  using Clock = std::chrono::steady_clock;
  const int32_t ticks = 400;
  const double period = 0.010;  // an interval of 0 runs at 10 ms
  const Window w = Make(400, 300);
  const Clock::time_point started = Clock::now();
  const Child c = Start({"--window-id", Hex(w), "--interval", "0", "--flakes", "0", "--seed",
                         "8", "--ticks", std::to_string(ticks)});
  // Drawing has begun once the program holds its shared image.
  for (int i = 0; i < 600 && SharedSegmentsOf(c.pid) == 0; ++i) SleepSeconds(0.05);
  ASSERT_EQ(SharedSegmentsOf(c.pid), 1);
  SleepSeconds(0.5);
  Display* grabber = XOpenDisplay(nullptr);
  ASSERT_NE(grabber, nullptr);
  XGrabServer(grabber);
  XSync(grabber, False);
  const Clock::time_point grabbed = Clock::now();
  SleepSeconds(3.0);
  const Clock::time_point released = Clock::now();
  XUngrabServer(grabber);
  XCloseDisplay(grabber);
  ExpectPicture(w, 400, 300, 0, 8, ticks);
  const std::chrono::duration<double> took = Clock::now() - started;
  const std::chrono::duration<double> held = released - grabbed;
  // Ticks before the grab: at most one per period since the start; during
  // it: the one in flight; after it: the rest, one per period. Two ticks of
  // slack for where the grab fell between deadlines.
  const double least = held.count() + (ticks - 3) * period;
  EXPECT_GE(took.count(), least) << "the last tick came " << took.count()
                                 << " s after the start, with the server grabbed for "
                                 << held.count() << " s";
  ExpectQuietEndOnSignal(c);
}

// The screen's mode through RandR, as a user sets it with xrandr: "nava30"
// is 1024 x 768 with real timings at 30 Hz (Xvfb's own modes carry none).
bool SetScreenMode(const std::string& mode) {
  std::string command;
  if (mode == "nava30") {
    command = "xrandr --newmode nava30 32.5 1024 1048 1184 1344 768 771 777 806 2>/dev/null; "
              "xrandr --addmode screen nava30 2>/dev/null; ";
  }
  command += "xrandr --output screen --mode " + mode;
  return std::system(command.c_str()) == 0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Pictures follow the refresh of the display under the window, one wake-up
// each, while the scene keeps its 100 ticks a second: two pictures read 10 s
// apart show ticks 1000 apart (the frame tool tells which tick a picture
// is). Reading a picture takes a moment and a picture stays up to a refresh,
// so a few ticks either way are the reading's; a pair read slowly on a busy
// machine is read again, up to three times.
TEST_F(X11Saver, TicksStayAtAHundredASecondWhilePicturesFollowTheRefresh) {
  if (!RunOnce()) GTEST_SKIP();
  XWindowAttributes root;
  XGetWindowAttributes(display, DefaultRootWindow(display), &root);
  if (root.width != 1024 || root.height != 768) GTEST_SKIP() << "needs a 1024 x 768 screen";
  ASSERT_TRUE(SetScreenMode("nava30"));
  const int32_t w = 400, h = 300;
  const Window window = Make(w, h);
  const auto started = std::chrono::steady_clock::now();
  const Child c = Start({"--window-id", Hex(window), "--seed", "6"});
  SleepSeconds(1.0);
  std::string report;
  bool held = false;
  for (int attempt = 0; attempt < 3 && !held; ++attempt) {
    const double a0 = SecondsSince(started);
    const long switchesA = VoluntarySwitches(c.pid);
    const std::vector<uint32_t> pictureA = ReadWindow(display, window, w, h);
    const double a1 = SecondsSince(started);
    SleepSeconds(10.0 - (SecondsSince(started) - a0));
    const double b0 = SecondsSince(started);
    const std::vector<uint32_t> pictureB = ReadWindow(display, window, w, h);
    const long switchesB = VoluntarySwitches(c.pid);
    const double b1 = SecondsSince(started);
    // Each picture shows the scene at some moment of its read: the ticks
    // between them must fit the time between those moments, whose least and
    // most are the reads' near and far ends. A read slower than 250 ms (a
    // very busy machine) would leave too wide a span; that round is retried.
    if (a1 - a0 > 0.25 || b1 - b0 > 0.25) {
      report += " (a picture took over 250 ms to read)";
      continue;
    }
    const double seconds = (b0 + b1) / 2 - (a0 + a1) / 2;
    const TickRange tickA = FindTick(pictureA, w, h, 10, 6, 1, static_cast<int32_t>(a1 * 100) + 50);
    ASSERT_GE(tickA.first, 1) << "the first picture is no tick of the scene";
    const TickRange tickB = FindTick(pictureB, w, h, 10, 6, tickA.first,
                                     tickA.last + static_cast<int32_t>(seconds * 100) + 50);
    ASSERT_GE(tickB.first, 1) << "the second picture is no tick of the scene";
    const double least = (b0 - a1) * 100, most = (b1 - a0) * 100;
    const double wakeUps = (switchesB - switchesA) / seconds;
    char line[200];
    std::snprintf(line, sizeof line,
                  " [ticks %d..%d to %d..%d over %.3f s (%.0f to %.0f ticks due), %.1f wake-ups "
                  "a second]",
                  tickA.first, tickA.last, tickB.first, tickB.last, seconds, least, most, wakeUps);
    report += line;
    held = tickB.first - tickA.last >= least - 10 && tickB.last - tickA.first <= most + 10;
    // At 30 Hz: thirty pictures a second, one wake-up each (about 190
    // before, at a picture per tick); a server slow to read a picture on a
    // busy machine costs a wake-up more now and then.
    EXPECT_LE(wakeUps, 40.0) << report;
  }
  EXPECT_TRUE(held) << "not 1000 +- 10 ticks in 10 s:" << report;
  EXPECT_TRUE(SetScreenMode("1024x768"));
  ExpectQuietEndOnSignal(c);
}

// Where the display gives no refresh rate (Xvfb's own mode), 60 Hz is taken:
// sixty wake-ups a second at the default speed (a hundred ticks), with room
// for a few more on a busy machine.
TEST_F(X11Saver, WithoutARefreshRateItWakesAboutSixtyTimesASecond) {
  if (!RunOnce()) GTEST_SKIP();
  const Window window = Make(400, 300);
  const Child c = Start({"--window-id", Hex(window), "--seed", "6"});
  SleepSeconds(1.0);
  const long before = VoluntarySwitches(c.pid);
  const auto started = std::chrono::steady_clock::now();
  SleepSeconds(3.0);
  const double wakeUps = (VoluntarySwitches(c.pid) - before) / SecondsSince(started);
  EXPECT_LE(wakeUps, 75.0);
  EXPECT_GE(wakeUps, 30.0) << "hardly any pictures";
  ExpectQuietEndOnSignal(c);
}

// A server that goes away under the program: exit code 4, nothing printed.
TEST_F(X11Saver, LostServerEndsItQuietlyWithCodeFour) {
  if (!RunOnce()) GTEST_SKIP();
  // The first free number from 190 on; when another program takes the same
  // number at the same moment, this server fails and the next is tried.
  pid_t server = -1;
  std::string name;
  int status = 0;
  for (int n = 190, attempt = 0; attempt < 40 && server < 0; ++n, ++attempt) {
    while (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0) ++n;
    name = ":" + std::to_string(n);
    // Through setpriv --pdeathsig: the server ends with this test program,
    // also when the test runner kills it.
    std::vector<std::string> argsStore = {"setpriv", "--pdeathsig=TERM", "Xvfb", name,
                                          "-screen", "0", "320x240x24", "-noreset",
                                          "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& s : argsStore) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t spawned = -1;
    ASSERT_EQ(posix_spawnp(&spawned, "setpriv", &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Ready once its lock file names it and it accepts a connection (the
    // socket alone may be another server's); gone when the number was taken.
    const std::string lock = "/tmp/.X" + name.substr(1) + "-lock";
    for (int i = 0; i < 600; ++i) {
      if (waitpid(spawned, &status, WNOHANG) == spawned) break;
      std::ifstream lockFile(lock);
      long owner = -1;
      if (!(lockFile >> owner) || owner != spawned) {
        SleepSeconds(0.05);
        continue;
      }
      if (Display* probe = XOpenDisplay(name.c_str())) {
        XCloseDisplay(probe);
        server = spawned;
        break;
      }
      SleepSeconds(0.05);
    }
    if (server < 0) KillChild(spawned);
  }
  ASSERT_GT(server, 0) << "no second Xvfb would start";

  const Child c = Start({"--root", "--interval", "0", "--flakes", "100"}, {"DISPLAY=" + name});
  // Drawing once it holds its shared image.
  for (int i = 0; i < 600 && SharedSegmentsOf(c.pid) == 0; ++i) {
    if (WaitForExit(c.pid, 0.0, &status)) break;
    SleepSeconds(0.05);
  }
  SleepSeconds(0.3);
  ASSERT_FALSE(WaitForExit(c.pid, 0.0, &status)) << ReadOutput(c);
  kill(server, SIGKILL);
  waitpid(server, &status, 0);
  ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
  EXPECT_EQ(ExitCodeOf(status), 4);
  EXPECT_EQ(ReadOutput(c), "");
  EXPECT_EQ(SharedSegmentsLeftBy(c.pid), 0);
}

}  // namespace
