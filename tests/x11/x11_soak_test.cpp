// Long runs of the real program at the shortest interval with 100 flakes on
// a private Xvfb: its resident memory, the resources the server holds for it
// (counted per type with the X-Resource extension) and its shared memory
// segments stay flat through tens of thousands of ticks, resizes and
// exposes; SIGKILL at any moment leaves no segment behind.
//
// Two programs run side by side: one in its own window, composing straight
// into a shared image and showing its frame rate; one in a given window at
// pixel scale 2, composing into a back buffer of its own. Length from
// NAVANAVA_SOAK_SECONDS (default 200: 20 000 ticks each).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/x11/x11_test_support.h"

namespace {

// What the server holds for one client: resource counts by type name and
// the bytes of its pixmaps.
struct ServerShare {
  bool found = false;
  std::map<std::string, unsigned> counts;
  unsigned long pixmapBytes = 0;
  bool operator==(const ServerShare& o) const {
    return found == o.found && counts == o.counts && pixmapBytes == o.pixmapBytes;
  }
  std::string Describe() const {
    std::string s;
    for (const auto& c : counts) s += c.first + " " + std::to_string(c.second) + ", ";
    return s + "pixmap bytes " + std::to_string(pixmapBytes);
  }
};

ServerShare ShareOf(Display* display, pid_t pid) {
  ServerShare share;
  XResClientIdSpec wanted;
  wanted.client = 0;
  wanted.mask = XRES_CLIENT_ID_PID_MASK;
  long n = 0;
  XResClientIdValue* ids = nullptr;
  if (XResQueryClientIds(display, 1, &wanted, &n, &ids) != Success) return share;
  XID client = 0;
  for (long i = 0; i < n; ++i) {
    // A client id value starts with the id of the client it describes.
    const XResClientIdSpec* who = reinterpret_cast<const XResClientIdSpec*>(&ids[i]);
    if (XResGetClientPid(&ids[i]) == pid) client = who->client;
  }
  XResClientIdsDestroy(n, ids);
  if (client == 0) return share;
  int types = 0;
  XResType* list = nullptr;
  if (!XResQueryClientResources(display, client, &types, &list)) return share;
  for (int i = 0; i < types; ++i) {
    char* name = XGetAtomName(display, list[i].resource_type);
    share.counts[name ? name : "?"] = list[i].count;
    if (name) XFree(name);
  }
  XFree(list);
  XResQueryClientPixmapBytes(display, client, &share.pixmapBytes);
  share.found = true;
  return share;
}

double SoakSeconds() {
  const char* e = std::getenv("NAVANAVA_SOAK_SECONDS");
  const double s = e ? std::atof(e) : 0.0;
  return s > 0 ? s : 200.0;
}

std::string Hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(w));
  return text;
}

struct Sample {
  long residentKb;
  ServerShare share;
  int segments;
};

class X11Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "no display; run under run_on_xvfb.sh";
    TolerateVanishingWindows();
    int event = 0, error = 0;
    ASSERT_TRUE(XResQueryExtension(display_, &event, &error)) << "no X-Resource extension";
  }
  void TearDown() override {
    for (pid_t pid : pids_) KillChild(pid);
    if (display_) XCloseDisplay(display_);
  }
  Display* display_ = nullptr;
  std::vector<pid_t> pids_;
};

TEST_F(X11Soak, MemoryServerResourcesAndSegmentsStayFlat) {
  const Child own = StartProgram({"--geometry", "800x600+0+0", "--interval", "0", "--flakes",
                                  "100", "--fps"});
  pids_.push_back(own.pid);
  const Window ownWindow = FindWindowNamed(display_, "NavaNava", 30.0);
  ASSERT_NE(ownWindow, None);
  const Window given = MakeTestWindow(display_, 700, 500);
  XMoveWindow(display_, given, 100, 150);
  const Child scaled = StartProgram({"--window-id", Hex(given), "--interval", "0", "--flakes",
                                     "100", "--scale", "2"});
  pids_.push_back(scaled.pid);

  const double seconds = SoakSeconds();
  const int periods = std::max(4, static_cast<int>(seconds / 10));
  const double period = seconds / periods;
  // Samples at the end of each period, before the windows change size: the
  // even periods at the first size, the odd ones at the second.
  std::vector<Sample> samples[2][2];
  std::mt19937 random(3);
  for (int k = 0; k < periods; ++k) {
    const int steps = 10;
    for (int s = 0; s < steps; ++s) {
      SleepSeconds(period / steps);
      if (s == steps / 2) {
        // Something passes over both windows and goes: exposes.
        XSetWindowAttributes set;
        set.override_redirect = True;
        set.background_pixel = WhitePixel(display_, DefaultScreen(display_));
        const Window cover = XCreateWindow(display_, DefaultRootWindow(display_),
                                           static_cast<int>(random() % 300), static_cast<int>(random() % 300),
                                           400, 300, 0, CopyFromParent, InputOutput, CopyFromParent,
                                           CWOverrideRedirect | CWBackPixel, &set);
        XMapRaised(display_, cover);
        XSync(display_, False);
        SleepSeconds(0.05);
        XDestroyWindow(display_, cover);
        XSync(display_, False);
      }
    }
    int status = 0;
    ASSERT_FALSE(WaitForExit(own.pid, 0.0, &status)) << "ended: " << ExitCodeOf(status);
    ASSERT_FALSE(WaitForExit(scaled.pid, 0.0, &status)) << "ended: " << ExitCodeOf(status);
    const pid_t pids[2] = {own.pid, scaled.pid};
    for (int p = 0; p < 2; ++p) {
      samples[p][k % 2].push_back(
          Sample{ResidentKb(pids[p]), ShareOf(display_, pids[p]), SharedSegmentsOf(pids[p])});
    }
    const bool second = k % 2 == 0;
    XResizeWindow(display_, ownWindow, second ? 640 : 800, second ? 480 : 600);
    XResizeWindow(display_, given, second ? 900 : 700, second ? 420 : 500);
    XSync(display_, False);
  }

  const char* names[2] = {"own window", "scaled, given window"};
  for (int p = 0; p < 2; ++p) {
    for (int size = 0; size < 2; ++size) {
      const std::vector<Sample>& list = samples[p][size];
      ASSERT_GE(list.size(), 2u);
      const Sample& first = list.front();
      ASSERT_TRUE(first.share.found) << names[p];
      EXPECT_EQ(first.segments, 1) << names[p];
      long most = first.residentKb, least = first.residentKb;
      for (size_t i = 1; i < list.size(); ++i) {
        EXPECT_EQ(list[i].share, first.share)
            << names[p] << ", sample " << i << ": " << list[i].share.Describe() << " instead of "
            << first.share.Describe();
        EXPECT_EQ(list[i].segments, first.segments) << names[p] << ", sample " << i;
        most = std::max(most, list[i].residentKb);
        least = std::min(least, list[i].residentKb);
      }
      // Resident memory may wander by a few pages, never grow with time.
      EXPECT_LE(list.back().residentKb - first.residentKb, 256) << names[p];
      EXPECT_LE(most - first.residentKb, 512) << names[p];
      std::printf("%s, size %d: resident %ld..%ld kB over %zu samples; server: %s; segments %d\n",
                  names[p], size, least, most, list.size(), first.share.Describe().c_str(),
                  first.segments);
    }
  }
  EXPECT_EQ(ReadOutput(own), "");
  EXPECT_EQ(ReadOutput(scaled), "");
}

TEST_F(X11Soak, SigkillAtAnyMomentLeavesNoSegment) {
  const Window given = MakeTestWindow(display_, 640, 480);
  // From right after the start (while the image is being made) to well into
  // the run.
  const double delays[] = {0.0, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.3, 1.0, 3.0};
  int sawSegment = 0;
  for (double delay : delays) {
    const Child c = StartProgram({"--window-id", Hex(given), "--interval", "0", "--flakes", "100"});
    SleepSeconds(delay);
    if (SharedSegmentsOf(c.pid) > 0) ++sawSegment;
    kill(c.pid, SIGKILL);
    int status = 0;
    ASSERT_TRUE(WaitForExit(c.pid, 10.0, &status));
    EXPECT_EQ(ExitCodeOf(status), -SIGKILL);
    // The server lets go of the segment when it sees the client gone.
    EXPECT_EQ(SharedSegmentsLeftBy(c.pid), 0) << "killed after " << delay << " s";
  }
  EXPECT_GE(sawSegment, 2) << "the program never had a segment when killed";
  XDestroyWindow(display_, given);
}

}  // namespace
