// navanava-wayland on a real compositor: headless sway (run as nobody, a
// private runtime folder per test), grim for its pictures, wtype and a
// virtual pointer for input; weston for a compositor without layer-shell.
#include <dirent.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <pwd.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/instance_name.h"
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
const std::string kKeyboard = Tool("NAVANAVA_VIRTUAL_KEYBOARD");

// Two outputs of different sizes; an output that nothing covers shows red.
std::vector<std::string> TwoOutputs(int scale1, const std::string& mode1 = "1280x720",
                                    const std::string& mode2 = "800x600") {
  return {"output HEADLESS-1 mode " + mode1 + " position 0 0 scale " + std::to_string(scale1),
          "output HEADLESS-2 mode " + mode2 + " position 3000 0", "output * bg #ff0000 solid_color"};
}

// The abstract socket name that the session's saver holds (the program's
// own rule, for nobody and the session's compositor).
std::string LockName(const SwaySession& sway) {
  const passwd* nobody = getpwnam("nobody");
  char resolved[PATH_MAX];
  const std::string path = sway.runtime + "/" + sway.display;
  char name[kInstanceNameCapacity];
  InstanceLockName(nobody != nullptr ? nobody->pw_uid : 65534,
                   realpath(path.c_str(), resolved) != nullptr ? resolved : path.c_str(), name);
  return name;
}

sockaddr_un AbstractAddress(const std::string& name, socklen_t* length) {
  sockaddr_un address;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return address;
}

// Whether a process holds the session's lock.
bool LockHeld(const SwaySession& sway) {
  socklen_t length = 0;
  const sockaddr_un address = AbstractAddress(LockName(sway), &length);
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  const bool held = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(fd);
  return held;
}

// Files of ours in a folder (the runtime folder must stay clean).
std::vector<std::string> OurFiles(const std::string& folder) {
  std::vector<std::string> found;
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return found;
  while (const dirent* e = readdir(d)) {
    if (std::strstr(e->d_name, "navanava") != nullptr) found.push_back(e->d_name);
  }
  closedir(d);
  return found;
}

// Waits (bounded) until `path` holds `text` `times` times.
bool WaitForText(const std::string& path, const std::string& text, int times, double seconds) {
  for (double waited = 0; waited <= seconds; waited += 0.01) {
    const std::string all = ReadFileText(path);
    int n = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
    if (n >= times) return true;
    SleepSeconds(0.01);
  }
  return false;
}

// Waits (bounded) until `path` has `times` lines that hold both texts.
bool WaitForLines(const std::string& path, const std::string& a, const std::string& b, int times,
                  double seconds) {
  for (double waited = 0; waited <= seconds; waited += 0.01) {
    const std::string all = ReadFileText(path);
    int n = 0;
    for (size_t start = 0; start < all.size();) {
      size_t end = all.find('\n', start);
      if (end == std::string::npos) end = all.size();
      const std::string line = all.substr(start, end - start);
      if (line.find(a) != std::string::npos && line.find(b) != std::string::npos) ++n;
      start = end + 1;
    }
    if (n >= times) return true;
    SleepSeconds(0.01);
  }
  return false;
}

// A line to a test device's stdin.
::testing::AssertionResult Send(const NobodyProcess& device, const std::string& command) {
  const std::string line = command + "\n";
  if (write(device.input, line.data(), line.size()) == static_cast<ssize_t>(line.size()))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the device is gone: " << ReadFileText(device.outputPath);
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

// A bound in real time: the screenshots a wait takes count against it too.
class Deadline {
 public:
  explicit Deadline(double seconds)
      : end_(std::chrono::steady_clock::now() +
             std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                 std::chrono::duration<double>(seconds))) {}
  bool Passed() const { return std::chrono::steady_clock::now() > end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

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
                                          int height, double seconds = 90) {
    Difference last;
    int w = 0, h = 0;
    // At least one shot, however short the wait.
    for (const Deadline end(seconds);;) {
      std::vector<uint32_t> got;
      if (sway.Screenshot(output, &got, &w, &h) && w == width && h == height) {
        last = Compare(got, wanted);
        if (last.count == 0) return ::testing::AssertionSuccess();
      }
      if (end.Passed()) break;
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
  ::testing::AssertionResult Covered(const std::string& output, double seconds = 90) {
    int64_t red = -1;
    for (const Deadline end(seconds);;) {
      std::vector<uint32_t> got;
      int w = 0, h = 0;
      if (sway.Screenshot(output, &got, &w, &h)) {
        red = 0;
        for (uint32_t p : got) red += (p & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
        if (red * 2 < static_cast<int64_t>(got.size())) return ::testing::AssertionSuccess();
      }
      if (end.Passed()) break;
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
    const char* mode2 = "800x600";
  } cases[] = {
      {1, "1280x720", {}, "HEADLESS-1", 1280, 720, 1, "HEADLESS-2", 800, 600},
      {2, "1280x720", {}, "HEADLESS-1", 1280, 720, 1, "HEADLESS-2", 800, 600},
      {1, "1280x720", {"--scale", "2"}, "HEADLESS-1", 1280, 720, 2, "HEADLESS-2", 800, 600},
      {1, "1280x720", {"--output", "HEADLESS-2"}, "HEADLESS-2", 800, 600, 1, "HEADLESS-1", 1280, 720},
      // The black output at scale 2: black at every device pixel.
      {2, "1280x720", {"--output", "HEADLESS-2"}, "HEADLESS-2", 800, 600, 1, "HEADLESS-1", 1280, 720},
      // Outputs of one size: the first has the scene.
      {1, "1280x720", {}, "HEADLESS-1", 1280, 720, 1, "HEADLESS-2", 1280, 720, "1280x720"},
      // Beyond 2560 device pixels each scene pixel is a 2 x 2 block.
      {2, "2880x1620", {}, "HEADLESS-1", 2880, 1620, 2, "HEADLESS-2", 800, 600},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("output scale " + std::to_string(k.outputScale) + ", scene on " + k.sceneOutput +
                 ", pixel scale " + std::to_string(k.pixelScale) + ", second output " + k.mode2);
    Begin(TwoOutputs(k.outputScale, k.mode, k.mode2));
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
  const std::string program = sway.Reachable(kProgram);  // inside swayidle's command lines
  const NobodyProcess idle =
      sway.Spawn({"swayidle", "timeout", "1", program + " --seed 1 --ticks 1", "timeout", "10",
                  program + " --quit; grim -o HEADLESS-1 " + shot + ".part && mv " + shot +
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
  // And its lock is free: no saver runs, and no file was left.
  EXPECT_FALSE(LockHeld(sway));
  EXPECT_EQ(OurFiles(sway.runtime), std::vector<std::string>());
}

// The documented order: swaylock first (it returns once locked, under the
// saver), then --quit. No shot of the hand-over shows the desktop, and the
// locker is what stays.
TEST_F(WaylandSaver, TheDocumentedSwayidleLineHandsOverToTheLocker) {
  Begin(TwoOutputs(1));
  const std::string program = sway.Reachable(kProgram);  // inside swayidle's command lines
  const NobodyProcess idle =
      sway.Spawn({"swayidle", "timeout", "1", program + " --seed 1 --ticks 1", "timeout", "15",
                  "swaylock -f -c 00ff00; " + program + " --quit"});
  WaitUntilDrawn();
  int desktop = 0, shots = 0;
  bool locked = false;
  for (int i = 0; i < 300 && !locked; ++i) {
    std::vector<uint32_t> got;
    int w = 0, h = 0;
    if (!sway.Screenshot("HEADLESS-1", &got, &w, &h)) continue;
    ++shots;
    int64_t red = 0, green = 0;
    for (uint32_t p : got) {
      red += (p & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
      green += (p & 0xFFFFFF) == 0x00FF00 ? 1 : 0;
    }
    desktop += red * 2 > static_cast<int64_t>(got.size()) ? 1 : 0;
    locked = green * 2 > static_cast<int64_t>(got.size());
  }
  // Whether the desktop shows in between depends on when swaylock draws its
  // first frame after `-f` returns, which a loaded machine can delay by many
  // seconds: the count is printed for the record, not asserted.
  std::printf("hand-over: %d shots, %d of the desktop\n", shots, desktop);
  EXPECT_TRUE(locked) << "the locker never showed";
  EXPECT_GT(shots, 1) << "the hand-over came before the first shot";
  for (int i = 0; i < 100 && LockHeld(sway); ++i) SleepSeconds(0.1);
  EXPECT_FALSE(LockHeld(sway)) << "the saver still runs under the locker";
  EXPECT_TRUE(SwaySession::Running(idle.pid)) << ReadFileText(idle.outputPath);
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

TEST_F(WaylandSaver, ACompositorThatGoesAwayEndsItWithCodeFourAndALine) {
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  kill(sway.swayPid, SIGKILL);
  ExpectEndsWithin(p, 10, 4);
  EXPECT_EQ(ReadFileText(p.outputPath),
            "navanava-wayland: the connection to the compositor was lost\n");
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
      {{"--quit", "--background"},
       "navanava-wayland: '--background' cannot go with --quit, which takes no other option\n"},
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
            "navanava-wayland: no Wayland compositor can be reached (\"wayland-9\")\n");
  if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

// A runtime folder the program cannot write to (a sandbox, a mistake) still
// gives one saver: a second start, also with the compositor's socket given
// as an absolute path, changes nothing, and --quit ends the one that runs.
// No file is made there or anywhere.
TEST_F(WaylandSaver, OneSaverWhateverTheRuntimeFolderAllows) {
  Begin(TwoOutputs(1));
  ASSERT_EQ(chmod(sway.runtime.c_str(), 0500), 0);
  const NobodyProcess first = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  const std::string absolute = "WAYLAND_DISPLAY=" + sway.runtime + "/" + sway.display;
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{}, std::vector<std::string>{absolute}}) {
    std::string output;
    EXPECT_EQ(sway.Run({kProgram, "--seed", "9"}, 10, &output, env), 0) << output;
    EXPECT_EQ(output, "");
  }
  EXPECT_TRUE(SwaySession::Running(first.pid));
  EXPECT_TRUE(LockHeld(sway));
  std::string output;
  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 20, &output, {absolute}), 0) << output;
  EXPECT_EQ(output, "");
  int status = 0;
  EXPECT_TRUE(WaitForExit(first.pid, 0.2, &status)) << "--quit returned before the saver ended";
  EXPECT_FALSE(LockHeld(sway));
  EXPECT_EQ(OurFiles(sway.runtime), std::vector<std::string>());
  EXPECT_EQ(OurFiles(sway.home), std::vector<std::string>());
  chmod(sway.runtime.c_str(), 0700);
}

// Where no lock can be had, no saver starts, and a --quit that cannot reach
// the saver says so: each with one line and code 8.
TEST_F(WaylandSaver, WithoutALockNoSaverStartsAndQuitSaysWhatItCouldNotDo) {
  Begin(TwoOutputs(1));
  // No runtime folder: the compositor's socket, and with it the lock, is
  // unknown.
  std::string output;
  EXPECT_EQ(sway.Run({kProgram}, 10, &output, {"XDG_RUNTIME_DIR="}), 8);
  EXPECT_EQ(output,
            "navanava-wayland: no one-saver lock: $XDG_RUNTIME_DIR is not set, so the "
            "compositor's socket is unknown; no saver starts without it\n");

  // The name held by a process of another user (root, here).
  socklen_t length = 0;
  const sockaddr_un address = AbstractAddress(LockName(sway), &length);
  const int squatter = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  ASSERT_EQ(bind(squatter, reinterpret_cast<const sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(squatter, 4), 0);
  const std::string pid = std::to_string(getpid());
  EXPECT_EQ(sway.Run({kProgram, "--seed", "1"}, 10, &output), 8);
  EXPECT_EQ(output, "navanava-wayland: no one-saver lock: its name is held by process " + pid +
                        " of another user; no saver starts without it\n");
  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 10, &output), 8);
  EXPECT_EQ(output, "navanava-wayland: --quit cannot reach the saver: the one-saver lock's name "
                    "is held by process " + pid + " of another user\n");
  close(squatter);

  // A saver that does not answer (stopped) is killed, and --quit says so.
  const NobodyProcess saver = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  kill(saver.pid, SIGSTOP);
  EXPECT_EQ(sway.Run({kProgram, "--quit"}, 30, &output), 8);
  EXPECT_EQ(output, "navanava-wayland: the saver (process " + std::to_string(saver.pid) +
                        ") did not answer --quit within 5 s and was killed\n");
  int status = 0;
  EXPECT_TRUE(WaitForExit(saver.pid, 1, &status));
  EXPECT_TRUE(WIFSIGNALED(status));
}

// A key held when the saver starts (the Enter that started it) and let go
// within the grace leaves it running, on one output and on two, where the
// keyboard focus enters both surfaces and each enter lists the key.
TEST_F(WaylandSaver, AKeyLetGoWithinTheGraceLeavesItRunningOnOneOutputOrTwo) {
  for (const int outputs : {2, 1}) {
    SCOPED_TRACE(std::to_string(outputs) + " outputs");
    Begin(TwoOutputs(1), outputs);
    const NobodyProcess keyboard = sway.Spawn({kKeyboard}, {}, true);
    ASSERT_TRUE(WaitForText(keyboard.outputPath, "ready", 1, 30)) << ReadFileText(keyboard.outputPath);
    ASSERT_TRUE(Send(keyboard, "press 28"));  // Enter
    ASSERT_TRUE(WaitForText(keyboard.outputPath, "done", 1, 30));
    const NobodyProcess p = sway.Spawn({kProgram, "--seed", "1", "--ticks", "1"}, {"WAYLAND_DEBUG=1"});
    // Every surface has had the focus, the key listed at each, before the
    // key comes up.
    ASSERT_TRUE(WaitForLines(p.outputPath, "wl_surface@", ".enter(", outputs, 30));
    ASSERT_TRUE(WaitForLines(p.outputPath, "wl_keyboard@", ".enter(", 1, 30)) << "no focus";
    SleepSeconds(0.1);
    ASSERT_TRUE(Send(keyboard, "release 28"));
    SleepSeconds(2.0);
    ASSERT_TRUE(SwaySession::Running(p.pid)) << "ended by the key that started it";
    // A key pressed now ends it.
    ASSERT_TRUE(Send(keyboard, "press 30"));
    ExpectEndsWithin(p, 10, 0);
    close(keyboard.input);
    sway.Stop();
  }
}

// A move across the edge of two outputs side by side is the move the
// pointer made, in the compositor's space.
TEST_F(WaylandSaver, APointerMovingOntoTheNextOutputCountsOnlyItsMove) {
  Begin({"output HEADLESS-1 mode 1280x720 position 0 0",
         "output HEADLESS-2 mode 800x600 position 1280 0", "output * bg #ff0000 solid_color"});
  const NobodyProcess pointer = sway.Spawn({kPointer}, {}, true);
  ASSERT_TRUE(Send(pointer, "abs 1278 300 2080 720"));
  const NobodyProcess p = Saver({"--seed", "1", "--ticks", "1"});
  WaitUntilDrawn();
  SleepSeconds(1.0);
  ASSERT_TRUE(Send(pointer, "move 3 0"));  // onto HEADLESS-2
  SleepSeconds(1.5);
  ASSERT_TRUE(SwaySession::Running(p.pid)) << "a 3-pixel move across the edge ended it";
  ASSERT_TRUE(Send(pointer, "move 2 0"));
  ExpectEndsWithin(p, 10, 0);
  close(pointer.input);
}

// The settings file as a Linux editor saves it (UTF-8 keys) gives the
// picture of the same options; a key it does not know is named.
TEST_F(WaylandSaver, AUtf8SettingsFileGivesThePictureOfTheSameOptions) {
  Begin(TwoOutputs(1));
  const std::string folder = sway.home + "/config/navanava";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  {
    std::ofstream out(folder + "/control.ini");
    out << "[ScreenSaver.NavaNava]\n\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0=100\n"
           "\xE9\x80\x9F\xE3\x81\x95=20\nspeed=5\n";
  }
  chmod((folder + "/control.ini").c_str(), 0644);
  const NobodyProcess p = Saver({"--seed", "5", "--ticks", "180"});
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 100, 5, 180, 32), 1280, 720));
  EXPECT_TRUE(SwaySession::Running(p.pid));
  EXPECT_EQ(ReadFileText(p.outputPath),
            "navanava-wayland: " + folder +
                "/control.ini: line 4: unknown key \"speed\" in [ScreenSaver.NavaNava], ignored\n");
}

// --output that names no output: the scene goes to the largest, and a line
// says so.
TEST_F(WaylandSaver, AnOutputNameThatNamesNoOutputIsSaid) {
  Begin(TwoOutputs(1));
  const NobodyProcess p = Saver({"--output", "DP-9", "--seed", "5", "--ticks", "180", "--flakes", "60"});
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 60, 5, 180, 32), 1280, 720));
  EXPECT_EQ(ReadFileText(p.outputPath),
            "navanava-wayland: no output is called \"DP-9\"; the scene goes to the largest and "
            "moves there if it appears\n");
}

// With a wallpaper program up (swaybg, as sway's default config runs it),
// --background is seen: it lies above wallpapers.
TEST_F(WaylandSaver, BackgroundShowsOverAWallpaperThatCameFirst) {
  Begin(TwoOutputs(1));
  ASSERT_TRUE(ShowsPicture("HEADLESS-2", std::vector<uint32_t>(800 * 600, 0xFF0000), 800, 600))
      << "no wallpaper";
  const NobodyProcess p =
      Saver({"--background", "--seed", "5", "--ticks", "180", "--flakes", "60"});
  EXPECT_TRUE(ShowsPicture("HEADLESS-1", ExpectedFrame(1280, 720, 60, 5, 180, 32), 1280, 720));
  EXPECT_TRUE(ShowsBlack("HEADLESS-2", 800, 600));
  EXPECT_TRUE(SwaySession::Running(p.pid)) << ReadFileText(p.outputPath);
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
