// Motion of the figure and the flakes, and a long trace whose per-tick digest
// must match one golden file in both the native and the Windows build.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/settings.h"

namespace {

void StartScene(int32_t width, int32_t height, uint8_t storedCount, uint32_t seed) {
  scene.screenWidth = width;
  scene.screenHeight = height;
  sceneSettings.flakeCount = storedCount;
  InitSceneWithSeed(seed);
}

TEST(Random, FollowsTheLinearCongruentialSequence) {
  SeedRandom(1);
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int32_t e : expected) EXPECT_EQ(NextRandom(), e);
  // The state wraps modulo 2^32 and only bits 16..30 are returned.
  SeedRandom(0xFFFFFFFFu);
  EXPECT_EQ(NextRandom(), static_cast<int32_t>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
}

TEST(Constants, SwayPhaseIsTheRoundedProduct) {
  double phase = 3.1415;
  phase = phase * 0.01;
  uint64_t bits;
  std::memcpy(&bits, &phase, sizeof bits);
  EXPECT_EQ(bits, 0x3FA015A07B352A85ull);
}

TEST(Jump, HeightIsTruncatedStepByStepInDoublePrecision) {
  EXPECT_EQ(JumpHeight(0.05), 5);
  // t x 100 at t = 0.3 rounds to 30 in double precision; kept exact it would be 29.
  double t = 0.0;
  for (int i = 0; i < 6; ++i) t = t + 0.05;
  EXPECT_EQ(JumpHeight(t), static_cast<int32_t>(static_cast<double>(static_cast<int32_t>(t * t * -4.9)) + t * 100.0));
}

TEST(Figure, FirstTickAfterCreation) {
  StartScene(1024, 768, 10, 7);
  AdvanceScene();
  EXPECT_EQ(scene.figure.previousFigurePos.x, -256);
  EXPECT_EQ(scene.figure.previousFigurePos.y, 0);
  EXPECT_EQ(scene.figure.x, -255);
  EXPECT_EQ(scene.figure.y, 768 - 153);  // h = 5
  EXPECT_EQ(scene.figure.walkStep, 1);
}

TEST(Figure, JumpLasts409TicksPeaksAt201AndLandsAtMinus3) {
  StartScene(1024, 768, 0, 7);
  int maxH = -1000, maxTick = 0, landingTick = 0, landingH = 0;
  for (int tick = 1; tick <= 1000 && landingTick == 0; ++tick) {
    AdvanceScene();
    int h = 768 - kFigureHeight - scene.figure.y;
    if (h > maxH) maxH = h, maxTick = tick;
    if (scene.figure.jumpTime == 0.0) landingTick = tick, landingH = h;
  }
  EXPECT_EQ(landingTick, 409);
  EXPECT_EQ(maxH, 511);
  EXPECT_EQ(maxTick, 201);
  EXPECT_EQ(landingH, -3);
  // The next tick starts a new jump from t = 0.05.
  AdvanceScene();
  EXPECT_EQ(768 - kFigureHeight - scene.figure.y, 5);
}

TEST(Figure, WalksBetweenOnePixelBeyondEachEdge) {
  const int32_t width = 800;
  StartScene(width, 600, 0, 7);
  // Entry from x = -256 up to the right turn.
  int ticks = 0;
  while (scene.figure.walkStep == 1) AdvanceScene(), ++ticks;
  EXPECT_EQ(scene.figure.x, width - 255);
  EXPECT_EQ(ticks, 256 + width - 255);
  // One full walk from edge to edge.
  ticks = 0;
  while (scene.figure.walkStep == -1) AdvanceScene(), ++ticks;
  EXPECT_EQ(scene.figure.x, -1);
  EXPECT_EQ(ticks, width - 254);
  ticks = 0;
  while (scene.figure.walkStep == 1) AdvanceScene(), ++ticks;
  EXPECT_EQ(scene.figure.x, width - 255);
  EXPECT_EQ(ticks, width - 254);
}

TEST(Flakes, PlacementDrawsThreeNumbersPerFlake) {
  StartScene(1024, 768, 3, 12345);
  SeedRandom(12345);
  for (int i = 0; i < 3; ++i) {
    const Flake& f = scene.flakes[i];
    EXPECT_EQ(f.baseX, static_cast<int32_t>(static_cast<uint32_t>(NextRandom()) % (1024u - 32u)));
    EXPECT_EQ(f.y, -32 - 128 * i);
    EXPECT_EQ(f.fallSpeed, NextRandom() % 4 + 1);
    EXPECT_EQ(f.swayAmplitude, NextRandom() % 5 + 1);
    EXPECT_EQ(f.frame, 0);
  }
}

struct SplitCase {
  uint8_t stored;
  uint8_t used;
  int32_t far;
};

TEST(Flakes, DepthSplitAndCountLimit) {
  const SplitCase cases[] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 1}, {3, 3, 1}, {99, 99, 49},
                             {100, 100, 50}, {101, 100, 50}, {255, 100, 50}};
  for (const SplitCase& c : cases) {
    StartScene(1024, 768, c.stored, 99);
    EXPECT_EQ(scene.flakeCount, c.used) << int(c.stored);
    EXPECT_EQ(FarFlakeCount(scene.flakeCount), c.far) << int(c.stored);
    // Far flakes fall fallSpeed per tick, near ones one pixel more.
    std::vector<int32_t> before;
    for (int i = 0; i < kFlakeCapacity; ++i) before.push_back(scene.flakes[i].y);
    AdvanceScene();
    for (int i = 0; i < scene.flakeCount; ++i) {
      int32_t fall = scene.flakes[i].fallSpeed + (i < c.far ? 0 : 1);
      EXPECT_EQ(scene.flakes[i].y, before[i] + fall) << int(c.stored) << " flake " << i;
    }
    for (int i = scene.flakeCount; i < kFlakeCapacity; ++i)
      EXPECT_EQ(scene.flakes[i].y, before[i]) << "flake " << i << " is not live";
  }
  StartScene(1024, 768, 100, 99);
  EXPECT_EQ(scene.flakes[99].y, -32 - 128 * 99);
}

TEST(Flakes, WrapOnlyWhenPastTheBottom) {
  StartScene(640, 480, 1, 5);
  Flake& f = scene.flakes[0];
  f.fallSpeed = 2;  // a near flake falls 3 per tick
  f.y = 480 - 3;
  AdvanceScene();
  EXPECT_EQ(f.y, 480);  // exactly screenHeight stays
  AdvanceScene();
  EXPECT_EQ(f.y, 0);  // beyond it restarts at the top edge
  EXPECT_EQ(f.frame, 2);
  AdvanceScene();
  AdvanceScene();
  EXPECT_EQ(f.frame, 0);  // frames cycle 1, 2, 3, 0
}

TEST(Flakes, SwayFollowsTheSine) {
  StartScene(640, 480, 1, 5);
  Flake& f = scene.flakes[0];
  f.y = 47;
  f.fallSpeed = 2;
  f.baseX = 300;
  f.swayAmplitude = 5;
  AdvanceScene();
  double sway = std::sin(50 * (3.1415 * 0.01));
  sway = sway * 5.0;
  sway = sway * -10.0;
  EXPECT_EQ(f.x, 300 - static_cast<int32_t>(sway));
  EXPECT_EQ(f.x, 300 + 49);  // sin(1.57075) x 50, truncated toward zero
}

TEST(Flakes, NarrowScreenIsSafeAndTheFigureStillMoves) {
  for (int32_t width : {32, 31, 1, 0, -5}) {
    StartScene(width, 200, 100, 3);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(scene.flakes[i].baseX, 0) << width;
    for (int i = 0; i < 50; ++i) {
      AdvanceScene();
      EXPECT_NE(scene.figure.x, scene.figure.previousFigurePos.x) << width;
    }
  }
}

// ---- The long trace ----

struct TraceConfig {
  int32_t width, height;
  uint8_t storedCount;
  uint32_t seed;
  int ticks;
};

const TraceConfig kTraceConfigs[] = {
    {1024, 768, 0, 1, 20000},      {1024, 768, 1, 2, 20000},    {1024, 768, 2, 3, 20000},
    {1024, 768, 99, 4, 20000},     {1024, 768, 100, 5, 30000},  {1920, 1080, 255, 6, 30000},
    {640, 480, 100, 1700000000u, 20000}, {3840, 2160, 100, 7, 20000}, {320, 200, 10, 8, 20000},
    {33, 600, 50, 9, 10000},       {16, 16, 100, 10, 10000},
};
constexpr int kCheckpointEvery = 1000;

struct Digest {
  uint64_t h = 1469598103934665603ull;
  void Add(const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  }
  void Add32(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                          static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    Add(b, 4);
  }
};

void AddState(Digest& d) {
  const Figure& fig = scene.figure;
  d.Add32(fig.x);
  d.Add32(fig.y);
  d.Add32(fig.walkStep);
  uint64_t t;
  std::memcpy(&t, &fig.jumpTime, sizeof t);
  d.Add32(static_cast<int32_t>(t));
  d.Add32(static_cast<int32_t>(t >> 32));
  d.Add32(fig.previousFigurePos.x);
  d.Add32(fig.previousFigurePos.y);
  for (int i = 0; i < scene.flakeCount; ++i) {
    const Flake& f = scene.flakes[i];
    for (int32_t v : {f.x, f.y, f.frame, f.fallSpeed, f.swayAmplitude, f.baseX}) d.Add32(v);
  }
}

std::vector<std::string> TraceLines() {
  std::vector<std::string> lines;
  char buf[128];
  for (const TraceConfig& c : kTraceConfigs) {
    StartScene(c.width, c.height, c.storedCount, c.seed);
    Digest d;
    for (int tick = 1; tick <= c.ticks; ++tick) {
      AdvanceScene();
      AddState(d);
      if (tick % kCheckpointEvery == 0) {
        std::snprintf(buf, sizeof buf, "%dx%d count=%u seed=%" PRIu32 " tick=%d %016" PRIx64,
                      c.width, c.height, unsigned(c.storedCount), c.seed, tick, d.h);
        lines.push_back(buf);
      }
    }
  }
  return lines;
}

std::string GoldenPath() {
  const char* dir = std::getenv("NAVANAVA_SOURCE_DIR");
  std::string path = std::string(dir ? dir : ".") + "/tests/data/motion_trace.golden";
#ifdef _WIN32
  if (path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

void ExpectGolden(const std::vector<std::string>& lines) {
  FILE* f = std::fopen(GoldenPath().c_str(), "rb");
  ASSERT_NE(f, nullptr) << GoldenPath();
  std::vector<std::string> golden;
  char buf[256];
  while (std::fgets(buf, sizeof buf, f)) {
    std::string s(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    golden.push_back(s);
  }
  std::fclose(f);
  ASSERT_EQ(golden.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i], golden[i]) << "first differing checkpoint";
  }
}

TEST(Trace, EveryTickMatchesTheGoldenDigests) {
  std::vector<std::string> lines = TraceLines();
  if (std::getenv("NAVANAVA_UPDATE_GOLDEN")) {
    FILE* f = std::fopen(GoldenPath().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
    std::fclose(f);
  }
  ExpectGolden(lines);
}

#if defined(__i386__) && !defined(__SSE2_MATH__)
// The build computes doubles on the x87 unit, whose precision control (bits 8
// and 9 of the control word) says where every operation rounds: 0x200 to a
// 53-bit mantissa (double), 0x300 to 64 bits.
constexpr uint16_t kPrecisionMask = 0x300;
constexpr uint16_t kDoublePrecision = 0x200;
constexpr uint16_t kExtendedPrecision = 0x300;

uint16_t X87ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

void SetX87ControlWord(uint16_t cw) { __asm__ volatile("fldcw %0" : : "m"(cw) : "memory"); }

void SetX87Precision(uint16_t precision) {
  SetX87ControlWord(static_cast<uint16_t>((X87ControlWord() & ~kPrecisionMask) | precision));
}

TEST(X87, TheProgramStartsAtDoublePrecision) {
  EXPECT_EQ(X87ControlWord() & kPrecisionMask, kDoublePrecision);
}

// At 64 bits every stored step is rounded twice; the motion must not change.
TEST(X87, TheTraceIsTheSameAtExtendedPrecision) {
  uint16_t saved = X87ControlWord();
  SetX87Precision(kExtendedPrecision);
  std::vector<std::string> lines = TraceLines();
  SetX87ControlWord(saved);
  ExpectGolden(lines);
}

// The trace meets only the heights of its screens; every flake height from
// the highest start (flake 99) down to a screen of 70 000 rows, with each
// amplitude, sways the same at both precisions.
TEST(X87, EverySwayIsTheSameAtBothPrecisions) {
  const int32_t height = 70000;
  StartScene(1024, height, 1, 1);
  Flake& f = scene.flakes[0];
  f.fallSpeed = 1;  // the only flake is a near one: it falls 2 per tick
  f.baseX = 0;
  uint16_t saved = X87ControlWord();
  int differences = 0;
  for (int32_t y = -kFlakeSize - 128 * (kFlakeCapacity - 1); y <= height; ++y) {
    for (int32_t amplitude = 1; amplitude <= 5; ++amplitude) {
      int32_t x[2];
      const uint16_t precisions[2] = {kDoublePrecision, kExtendedPrecision};
      for (int p = 0; p < 2; ++p) {
        SetX87Precision(precisions[p]);
        f.y = y - 2;
        f.swayAmplitude = amplitude;
        AdvanceScene();
        x[p] = f.x;
      }
      SetX87ControlWord(saved);
      ASSERT_EQ(f.y, y);
      if (x[0] != x[1] && ++differences <= 5)
        ADD_FAILURE() << "y " << y << " amplitude " << amplitude << ": x " << x[0] << " at 53 bits, "
                      << x[1] << " at 64 bits";
    }
  }
  EXPECT_EQ(differences, 0);
}
#endif

}  // namespace
