// navanava-wayland on a real compositor: headless sway (run as nobody, a
// private runtime folder per test), grim for its pictures, wtype and a
// virtual pointer for input; weston for a compositor without layer-shell.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/wayland/sway_session.h"
#include "tests/x11/x11_test_support.h"
#include "tools/png_io.h"

namespace {

std::string Tool(const char* name) {
  const char* p = std::getenv(name);
  return p != nullptr ? p : "";
}

const std::string kProgram = Tool("NAVANAVA_WAYLAND_PROGRAM");
// A client that ended early shows as a failed write to its stdin, not as
// the end of the test program.
const bool kPipeIgnored = signal(SIGPIPE, SIG_IGN) != SIG_ERR;
const std::string kPointer = Tool("NAVANAVA_VIRTUAL_POINTER");

// Two outputs of different sizes; an output that nothing covers shows red.
std::vector<std::string> TwoOutputs(int scale1, const std::string& mode1 = "1280x720") {
  return {"output HEADLESS-1 mode " + mode1 + " position 0 0 scale " + std::to_string(scale1),
          "output HEADLESS-2 mode 800x600 position 3000 0", "output * bg #ff0000 solid_color"};
}

struct Difference {
  int64_t count = -1;
  int x = -1, y = -1;
  uint32_t got = 0, wanted = 0;
};

Difference Compare(const std::vector<uint32_t>& got, const std::vector<uint32_t>& wanted) {
  Difference d;
  if (got.size() != wanted.size()) return d;
  d.count = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    if ((got[i] & 0xFFFFFF) == wanted[i]) continue;
    if (d.count++ == 0) {
      d.x = static_cast<int>(i);
      d.got = got[i] & 0xFFFFFF;
      d.wanted = wanted[i];
    }
  }
  return d;
}

class WaylandSaver : public ::testing::Test {
 protected:
  void Begin(const std::vector<std::string>& config, int outputs = 2) {
    std::string error;
    ASSERT_TRUE(sway.Start(config, outputs, &error)) << error;
  }

  NobodyProcess Saver(const std::vector<std::string>& args) {
    std::vector<std::string> all = {kProgram};
    all.insert(all.end(), args.begin(), args.end());
    return sway.Spawn(all);
  }

  // Waits (bounded) until the output shows `wanted` (width x height).
  ::testing::AssertionResult ShowsPicture(const std::string& output,
                                          const std::vector<uint32_t>& wanted, int width,
                                          int height, double seconds = 30) {
    Difference last;
    int w = 0, h = 0;
    for (double waited = 0; waited <= seconds; waited += 0.3) {
      std::vector<uint32_t> got;
      if (sway.Screenshot(output, &got, &w, &h) && w == width && h == height) {
        last = Compare(got, wanted);
        if (last.count == 0) return ::testing::AssertionSuccess();
      }
      SleepSeconds(0.3);
    }
    return ::testing::AssertionFailure()
           << output << " (" << w << "x" << h << "): " << last.count
           << " pixels differ, the first at index " << last.x << ": 0x" << std::hex << last.got
           << " instead of 0x" << last.wanted;
  }

  ::testing::AssertionResult ShowsBlack(const std::string& output, int width, int height) {
    return ShowsPicture(output, std::vector<uint32_t>(static_cast<size_t>(width) * height, 0),
                        width, height);
  }

  // Waits until the saver covers the output (the background is red; the
  // scene, running on, has hardly any red).
  ::testing::AssertionResult Covered(const std::string& output, double seconds = 30) {
    int64_t red = -1;
    for (double waited = 0; waited <= seconds; waited += 0.3) {
      std::vector<uint32_t> got;
      int w = 0, h = 0;
      if (sway.Screenshot(output, &got, &w, &h)) {
        red = 0;
        for (uint32_t p : got) red += (p & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
        if (red * 2 < static_cast<int64_t>(got.size())) return ::testing::AssertionSuccess();
      }
      SleepSeconds(0.3);
    }
    return ::testing::AssertionFailure() << output << " not covered: " << red << " red pixels";
  }

  // Waits until the saver has drawn: its picture stops at tick 1 of seed 1.
  void WaitUntilDrawn(const std::string& output = "HEADLESS-1") {
    ASSERT_TRUE(ShowsPicture(output, ExpectedFrame(1280, 720, 10, 1, 1, 32), 1280, 720));
  }

  static void ExpectEndsWithin(const NobodyProcess& p, double seconds, int code) {
    int status = 0;
    ASSERT_TRUE(WaitForExit(p.pid, seconds, &status)) << "still running";
    EXPECT_EQ(ExitCodeOf(status), code) << ReadFileText(p.outputPath);
  }

  SwaySession sway;
};

// The scene's output equals the frame tool's frame at its device pixels,
// whatever the output's scale and the pixel scale; the other one is black.
TEST_F(WaylandSaver, PicturesEqualTheFrameToolsOnTheSceneOutputAndBlackElsewhere) {
  struct Case {
    int outputScale;
    const char* mode;
    std::vector<std::string> args;
    const char* sceneOutput;
    int width, height, pixelScale;
    const char* blackOutput;
    int blackWidth, blackHeight;
  } cases[] = {
      {1, "1280x720", {}, "HEADLESS-1", 1280, 720, 1, "HEADLESS-2", 800, 600},
      {2, "1280x720", {}, "HEADLESS-1", 1280, 720, 1, "HEADLESS-2", 800, 600},
      {1, "1280x720", {"--scale", "2"}, "HEADLESS-1", 1280, 720, 2, "HEADLESS-2", 800, 600},
      {1, "1280x720", {"--output", "HEADLESS-2"}, "HEADLESS-2", 800, 600, 1, "HEADLESS-1", 1280, 720},
      // Beyond 2560 device pixels each scene pixel is a 2 x 2 block.
      {2, "2880x1620", {}, "HEADLESS-1", 2880, 1620, 2, "HEADLESS-2", 800, 600},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("output scale " + std::to_string(k.outputScale) + ", scene on " + k.sceneOutput +
                 ", pixel scale " + std::to_string(k.pixelScale));
    Begin(TwoOutputs(k.outputScale, k.mode));
    std::vector<std::string> args = {"--seed", "5", "--ticks", "180", "--flakes", "60"};
    args.insert(args.end(), k.args.begin(), k.args.end());
    const NobodyProcess p = Saver(args);
    EXPECT_TRUE(ShowsPicture(k.sceneOutput,
                             ExpectedFrame(k.width, k.height, 60, 5, 180, 32, k.pixelScale),
                             k.width, k.height));
    EXPECT_TRUE(ShowsBlack(k.blackOutput, k.blackWidth, k.blackHeight));
    EXPECT_TRUE(SwaySession::Running(p.pid)) << ReadFileText(p.outputPath);
    sway.Stop();
  }
}

TEST_F(WaylandSaver, AKeyEndsIt) {
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  SleepSeconds(1.0);  // past the start-up grace for keys held at focus
  // wtype's keyboard is new to the seat: the saver gets it (a capability
  // change) while wtype waits, before the key.
  EXPECT_EQ(sway.Run({"wtype", "-s", "3000", "-k", "Escape"}, 30), 0);
  ExpectEndsWithin(p, 10, 0);
  EXPECT_EQ(ReadFileText(p.outputPath), "");
}

// A key already held when the saver gets the keyboard counts once the
// start-up grace is over, long before its release.
TEST_F(WaylandSaver, AKeyHeldWhenItStartsEndsItAfterTheGrace) {
  Begin(TwoOutputs(1));
  const NobodyProcess typist = sway.Spawn({"wtype", "-P", "a", "-s", "30000", "-p", "a"});
  SleepSeconds(1.0);
  ASSERT_TRUE(SwaySession::Running(typist.pid)) << ReadFileText(typist.outputPath);
  const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
  ExpectEndsWithin(p, 15, 0);
  EXPECT_TRUE(SwaySession::Running(typist.pid)) << "ended only by the release";
}

// Pointer input through a virtual pointer: a button, a scroll, and moves of
// 4 pixels (|dx| + |dy|) that keep it, then one more that ends it.
TEST_F(WaylandSaver, PointerButtonsScrollsAndMovesBeyondFourPixelsEndIt) {
  struct Case {
    const char* name;
    std::vector<std::string> keep;  // commands after which it still runs
    std::string end;                // the command that ends it
  } cases[] = {
      {"button", {}, "button"},
      {"scroll", {}, "axis"},
      {"four pixels right, then one more", {"move 4 0"}, "move 1 0"},
      {"two and two, back, then five down", {"move 2 2", "move -2 -2"}, "move 0 5"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Begin(TwoOutputs(1));
    NobodyProcess pointer = sway.Spawn({kPointer}, {}, true);
    ASSERT_GT(pointer.input, 0);
    auto send = [&pointer](const std::string& command) {
      const std::string line = command + "\n";
      ASSERT_EQ(write(pointer.input, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    };
    send("abs 640 360 2800 720");  // the middle of HEADLESS-1
    const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
    WaitUntilDrawn();
    SleepSeconds(1.0);
    for (const std::string& command : k.keep) {
      send(command);
      SleepSeconds(1.5);
      ASSERT_TRUE(SwaySession::Running(p.pid)) << "ended by " << command;
    }
    send(k.end);
    ExpectEndsWithin(p, 10, 0);
    close(pointer.input);
    sway.Stop();
  }
}

TEST_F(WaylandSaver, OnePerSessionAndQuitReturnsOnlyOnceItIsGone) {
  Begin(TwoOutputs(1));
  const NobodyProcess first = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  std::string output;
  EXPECT_EQ(sway.Run({kProgram, "--seed", "9"}, 10, &output), 0);
  EXPECT_EQ(output, "");
  EXPECT_TRUE(SwaySession::Running(first.pid));

  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 20, &output), 0);
  EXPECT_EQ(output, "");
  // Gone when --quit returned: a zombie at most (given a moment to get
  // there after its lock went), and no surface left on the screen.
  int status = 0;
  EXPECT_TRUE(WaitForExit(first.pid, 0.2, &status));
  EXPECT_EQ(ExitCodeOf(status), 0);
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", std::vector<uint32_t>(1280 * 720, 0xFF0000), 1280, 720,
                           0));
  // With none running --quit has nothing to do.
  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 10, &output), 0);
}

// The README's swayidle line, with shorter timeouts and a screenshot in the
// locker's place: the saver starts after the first timeout; after the second
// it is gone before the command that follows --quit runs.
TEST_F(WaylandSaver, SwayidleStartsItAndQuitsItBeforeTheLocker) {
  Begin(TwoOutputs(1));
  const std::string shot = sway.home + "/locker.png";
  const NobodyProcess idle =
      sway.Spawn({"swayidle", "timeout", "1", kProgram + " --seed 1 --ticks 1", "timeout", "10",
                  kProgram + " --quit; grim -o HEADLESS-1 " + shot + ".part && mv " + shot +
                      ".part " + shot});
  WaitUntilDrawn();
  EXPECT_TRUE(SwaySession::Running(idle.pid)) << ReadFileText(idle.outputPath);
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  for (int i = 0; i < 300 && !ReadRgbPng(shot, &pixels, &width, &height); ++i) SleepSeconds(0.1);
  ASSERT_EQ(width, 1280) << "no picture from the locker's place";
  int64_t red = 0;
  for (uint32_t p : pixels) red += (p & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
  EXPECT_EQ(red, 1280 * 720) << "the saver was still on the screen";
  // And its lock is free: no saver runs.
  const int fd = open((sway.runtime + "/navanava-wayland-" + sway.display + ".lock").c_str(),
                      O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
}

// A new output is covered at once; the configure events that come with it
// (and the many sway sends anyway) are acknowledged without new buffers.
TEST_F(WaylandSaver, AnOutputAddedWhileItRunsIsCoveredAtOnce) {
  Begin(TwoOutputs(1));
  std::vector<std::string> args = {"WAYLAND_DEBUG=1", kProgram, "--seed", "1", "--ticks", "1"};
  const NobodyProcess p = sway.Spawn(args);
  WaitUntilDrawn();
  std::string output;
  ASSERT_EQ(sway.Run({"swaymsg", "create_output"}, 20, &output), 0) << output;
  ASSERT_EQ(sway.Run({"swaymsg", "output", "HEADLESS-3", "mode", "640x480"}, 20, &output), 0)
      << output;
  EXPECT_TRUE(ShowsBlack("HEADLESS-3", 640, 480));
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 10, 1, 1, 32), 1280, 720));
  EXPECT_TRUE(ShowsBlack("HEADLESS-2", 800, 600));
  EXPECT_TRUE(SwaySession::Running(p.pid));
  kill(p.pid, SIGTERM);
  ExpectEndsWithin(p, 5, 0);
  // The protocol log: acknowledgements of every configure, one pool per
  // buffer (the scene's one frame, two black outputs, and the new output
  // first at sway's default size and then at 640x480).
  const std::string log = ReadFileText(p.outputPath);
  auto count = [&log](const std::string& what) {
    int n = 0;
    for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
    return n;
  };
  std::printf("configures %d, pools %d\n", count(".configure("), count(".create_pool("));
  EXPECT_GT(count(".configure("), 3);
  EXPECT_EQ(count(".ack_configure("), count(".configure("));
  EXPECT_LE(count(".create_pool("), 4);
}

// A new mode or scale of the scene's output: the scene starts again at the
// output's new device pixels.
TEST_F(WaylandSaver, TheSceneFollowsItsOutputsModeAndScale) {
  const struct {
    std::vector<std::string> command;
    int width, height;
  } changes[] = {
      {{"swaymsg", "output", "HEADLESS-1", "mode", "1024x768"}, 1024, 768},
      {{"swaymsg", "output", "HEADLESS-1", "scale", "2"}, 1024, 768},
      {{"swaymsg", "output", "HEADLESS-1", "mode", "1600x900"}, 1600, 900},
  };
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--seed", "3", "--ticks", "40", "--flakes", "30"});
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 30, 3, 40, 32), 1280, 720));
  for (const auto& change : changes) {
    std::string output;
    ASSERT_EQ(sway.Run(change.command, 20, &output), 0) << output;
    EXPECT_TRUE(ShowsPicture("HEADLESS-1",
                             ExpectedFrame(change.width, change.height, 30, 3, 40, 32),
                             change.width, change.height))
        << change.command[3] << " " << change.command[4];
  }
  EXPECT_TRUE(SwaySession::Running(p.pid));
}

// While the compositor sends no frame callbacks (sway stopped here: its
// headless output cannot be switched off) the program neither ticks nor
// wakes, and afterwards it goes on from the current time: the ticks between
// two pictures taken around the pause are those of the time it ran, not of
// the pause as well. The frame tool names the tick of each picture.
TEST_F(WaylandSaver, WithoutFrameCallbacksNothingTicksAndItGoesOnFromTheCurrentTime) {
  Begin({"output HEADLESS-1 mode 640x480", "output * bg #ff0000 solid_color"}, 1);
  const NobodyProcess p = Saver({"--seed", "9"});
  ASSERT_TRUE(Covered("HEADLESS-1"));
  using Clock = std::chrono::steady_clock;
  const Clock::time_point started = Clock::now();
  const auto secondsSince = [](Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
  };
  const auto shownTick = [&](int32_t from, int32_t to) {
    std::vector<uint32_t> got;
    int w = 0, h = 0;
    if (!sway.Screenshot("HEADLESS-1", &got, &w, &h) || w != 640 || h != 480) return TickRange();
    for (uint32_t& pixel : got) pixel &= 0xFFFFFF;
    return FindTick(got, 640, 480, 10, 9, from, to);
  };
  SleepSeconds(1.0);
  const Clock::time_point before = Clock::now();
  const TickRange first = shownTick(1, static_cast<int32_t>(secondsSince(started) * 100) + 600);
  ASSERT_GE(first.first, 1) << "the picture is no tick of the scene";

  ASSERT_EQ(kill(sway.swayPid, SIGSTOP), 0);
  const Clock::time_point stopped = Clock::now();
  SleepSeconds(0.5);  // what was on its way arrives
  const long wakeUps = VoluntarySwitches(p.pid);
  SleepSeconds(3.0);
  EXPECT_LE(VoluntarySwitches(p.pid) - wakeUps, 2) << "woken while no frame callback came";
  const double pause = secondsSince(stopped);
  ASSERT_EQ(kill(sway.swayPid, SIGCONT), 0);

  SleepSeconds(1.0);
  const TickRange second =
      shownTick(first.first, first.last + static_cast<int32_t>(secondsSince(before) * 100) + 100);
  const double between = secondsSince(before);
  ASSERT_GE(second.first, 1) << "the picture after the pause is no tick of the scene";
  // Running for `between - pause` seconds (the pictures' reading included)
  // at most 100 ticks a second, and at least some after the pause.
  EXPECT_LE(second.first - first.last, (between - pause) * 100 + 20)
      << "ticks " << first.last << " to " << second.first << " over " << between << " s with a "
      << pause << " s pause: the pause's ticks were played back";
  EXPECT_GE(second.first - first.last, 20) << "no ticks after the pause";
  EXPECT_TRUE(SwaySession::Running(p.pid));
}

TEST_F(WaylandSaver, SignalsEndItWithinASecondAndItSaysNothing) {
  Begin(TwoOutputs(1));
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    const NobodyProcess p = Saver({"--interval", "0", "--flakes", "100"});
    ASSERT_TRUE(Covered("HEADLESS-1"));
    SleepSeconds(1.0);
    ASSERT_TRUE(SwaySession::Running(p.pid));
    kill(p.pid, signal);
    ExpectEndsWithin(p, 1.0, 0);
    EXPECT_EQ(ReadFileText(p.outputPath), "");
  }
}

TEST_F(WaylandSaver, ACompositorThatGoesAwayEndsItWithCodeFour) {
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  kill(sway.swayPid, SIGKILL);
  ExpectEndsWithin(p, 10, 4);
}

// On the connection a locker hands over in WAYLAND_SOCKET.
TEST_F(WaylandSaver, BackgroundCoversEveryOutputAndIgnoresInput) {
  // No wallpaper program: it would share the background layer.
  Begin({"output HEADLESS-1 mode 1280x720 position 0 0",
         "output HEADLESS-2 mode 800x600 position 2000 0"});
  const NobodyProcess p = sway.SpawnOnSocket(
      {kProgram, "--background", "--seed", "5", "--ticks", "180", "--flakes", "60"});
  ASSERT_GT(p.pid, 0);
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 60, 5, 180, 32), 1280, 720));
  EXPECT_TRUE(ShowsBlack("HEADLESS-2", 800, 600));
  EXPECT_EQ(sway.Run({"wtype", "-s", "3000", "-k", "Escape"}, 30), 0);
  SleepSeconds(1.0);
  EXPECT_TRUE(SwaySession::Running(p.pid));
  // Not the session's saver: a saver starts beside it, and --quit leaves it.
  const NobodyProcess saver = Saver({"--seed", "1", "--ticks", "1"});
  SleepSeconds(1.0);
  EXPECT_TRUE(SwaySession::Running(saver.pid));
  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 20), 0);
  EXPECT_TRUE(SwaySession::Running(p.pid));
}

TEST(WaylandSaverWithoutSway, BadCommandLinesAreOneLineAndCodeOne) {
  char pattern[] = "/tmp/navanava-nowl-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--root"}, "navanava-wayland: unknown option '--root'; see navanava-wayland --help\n"},
      {{"--output"}, "navanava-wayland: missing value after '--output': --output takes a name\n"},
      {{"--flakes", "101"},
       "navanava-wayland: bad value '101': --flakes N takes a whole number from 0 to 100\n"},
  };
  for (const auto& k : cases) {
    std::vector<std::string> args = {kProgram};
    args.insert(args.end(), k.args.begin(), k.args.end());
    const pid_t pid = SpawnPlain(args, {"XDG_RUNTIME_DIR=" + dir}, dir + "/out.txt");
    int status = 0;
    ASSERT_TRUE(WaitForExit(pid, 10, &status));
    EXPECT_EQ(ExitCodeOf(status), 1);
    EXPECT_EQ(ReadFileText(dir + "/out.txt"), k.message);
  }
  if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

TEST(WaylandSaverWithoutSway, NoCompositorIsOneLineAndCodeTwo) {
  char pattern[] = "/tmp/navanava-nowl-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const pid_t pid = SpawnPlain({kProgram}, {"XDG_RUNTIME_DIR=" + dir, "WAYLAND_DISPLAY=wayland-9"},
                               dir + "/out.txt");
  int status = 0;
  ASSERT_TRUE(WaitForExit(pid, 10, &status));
  EXPECT_EQ(ExitCodeOf(status), 2);
  EXPECT_EQ(ReadFileText(dir + "/out.txt"),
            "navanava-wayland: cannot connect to a Wayland compositor (\"wayland-9\")\n");
  if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

// weston offers no layer-shell: GNOME's compositor is in the same case.
TEST(WaylandSaverWithoutSway, ACompositorWithoutLayerShellIsOneLineAndCodeSeven) {
  SwaySession weston;
  std::string error;
  ASSERT_TRUE(weston.StartWeston(&error)) << error;
  std::string output;
  EXPECT_EQ(weston.Run({kProgram}, 20, &output), 7);
  EXPECT_EQ(output,
            "navanava-wayland: this compositor offers no wlr-layer-shell (zwlr_layer_shell_v1), "
            "which the saver needs to cover the screen\n");
}

// Memory and shared-memory buffers stay flat over many ticks at the fastest
// rate with every flake.
TEST_F(WaylandSaver, SoakKeepsMemoryAndBuffersFlat) {
  if (Tool("NAVANAVA_WAYLAND_SOAK").empty()) GTEST_SKIP() << "the soak runs in its own entry";
  const char* secondsText = std::getenv("NAVANAVA_SOAK_SECONDS");
  const double seconds = secondsText != nullptr ? std::atof(secondsText) : 30;
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--interval", "0", "--flakes", "100"});
  ASSERT_TRUE(Covered("HEADLESS-1"));
  auto buffers = [&p]() {
    std::ifstream maps("/proc/" + std::to_string(p.pid) + "/maps");
    int n = 0;
    for (std::string line; std::getline(maps, line);) {
      n += line.find("memfd:navanava-wayland") != std::string::npos ? 1 : 0;
    }
    return n;
  };
  SleepSeconds(5);  // the buffers made, the allocator settled
  ASSERT_TRUE(SwaySession::Running(p.pid)) << ReadFileText(p.outputPath);
  const long rssStart = ResidentKb(p.pid);
  const int buffersStart = buffers();
  int buffersMost = buffersStart;
  for (double t = 0; t < seconds; t += 1) {
    SleepSeconds(1);
    ASSERT_TRUE(SwaySession::Running(p.pid)) << ReadFileText(p.outputPath);
    const int now = buffers();
    if (now > buffersMost) buffersMost = now;
  }
  const long rssEnd = ResidentKb(p.pid);
  std::printf("soak %.0f s: VmRSS %ld kB -> %ld kB, shared-memory buffers %d (at most %d)\n",
              seconds, rssStart, rssEnd, buffersStart, buffersMost);
  EXPECT_GT(buffersStart, 0);
  EXPECT_LE(buffersMost, 5);  // three scene buffers, a black pixel, a spare
  EXPECT_EQ(buffersMost, buffersStart);
  EXPECT_LT(rssEnd - rssStart, 1024) << "resident memory grew";
  kill(p.pid, SIGTERM);
  ExpectEndsWithin(p, 5, 0);
}

}  // namespace
