// The changed-rectangle bookkeeping: a shadow screen that only ever receives
// the pending rectangles must equal the back buffer after every present, over
// long runs, at several sizes, flake counts and pixel scales. Also the table's
// own rules (clipping, merging, overflow) and the scaled copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "render/compose.h"
#include "render/frame_damage.h"
#include "render/frame_step.h"
#include "render/pixel_scale.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

struct Image {
  std::vector<uint32_t> store;
  PixelBuffer32 buffer;
  Image(int32_t w, int32_t h) : store(static_cast<size_t>(w) * h, 0) {
    buffer = PixelBuffer32{store.data(), w, h, w};
  }
};

// Opaque sprites whose every pixel differs from its neighbours and from
// black, so any pixel that a compose or an erase changes really changes; the
// flake cells are masked discs so the halving and masking paths run too.
struct Sprites {
  Image figureImage{kFigureWidth, kFigureHeight}, figureMask{kFigureWidth, kFigureHeight};
  Image flakeStrip{kFlakeStripWidth, kFlakeSize}, flakeMaskStrip{kFlakeStripWidth, kFlakeSize};
  SpriteSet<uint32_t> set;
  Sprites() {
    for (int32_t y = 0; y < kFigureHeight; ++y)
      for (int32_t x = 0; x < kFigureWidth; ++x)
        figureImage.store[y * kFigureWidth + x] = 0x010101u + static_cast<uint32_t>(x * 977 + y * 131) % 0xFFFFFFu;
    for (int32_t y = 0; y < kFlakeSize; ++y)
      for (int32_t x = 0; x < kFlakeStripWidth; ++x) {
        const int32_t dx = x % kFlakeSize - 16, dy = y - 16;
        const bool opaque = dx * dx + dy * dy <= 450;  // all but the corners
        flakeMaskStrip.store[y * kFlakeStripWidth + x] = opaque ? 0 : 0x00FFFFFFu;
        flakeStrip.store[y * kFlakeStripWidth + x] = opaque ? 0x00400000u + static_cast<uint32_t>(x * 7 + y) : 0;
      }
    set = SpriteSet<uint32_t>{figureImage.buffer, figureMask.buffer, flakeStrip.buffer,
                              flakeMaskStrip.buffer};
  }
};

// Runs the host's tick order and checks the shadow after every present.
// Returns the first failing tick, or 0.
int32_t RunShadowed(int32_t width, int32_t height, uint8_t storedCount, int32_t scale,
                    int32_t ticks, uint32_t seed) {
  static Sprites sprites;
  const int32_t sw = SceneExtent(width, scale), sh = SceneExtent(height, scale);
  scene.screenWidth = sw;
  scene.screenHeight = sh;
  sceneSettings.tickIntervalMs = 10;
  sceneSettings.flakeCount = storedCount;
  InitSceneWithSeed(seed);
  Image back(sw, sh), window(width, height), expected(width, height);
  std::memset(window.store.data(), 0x5A, window.store.size() * 4);  // stale content
  static FrameDamage damage;
  ResetDamage(&damage, sw, sh);
  const DamageRect all = {0, 0, sw, sh};
  for (int32_t t = 1; t <= ticks; ++t) {
    AdvanceScene();
    ComposeFrameInto(back.buffer, sprites.set, scene);
    AddComposeDamage(&damage, scene);
    if (damage.whole) {
      ScaleRectInto(window.buffer, back.buffer, all, scale);
    } else {
      for (int32_t i = 0; i < damage.count; ++i)
        ScaleRectInto(window.buffer, back.buffer, damage.rects[i], scale);
    }
    ScaleRectInto(expected.buffer, back.buffer, all, scale);
    if (window.store != expected.store) return t;
    ClearDamage(&damage);
    EraseFrameIn(back.buffer, scene);
    AddEraseDamage(&damage, scene);
  }
  return 0;
}

TEST(FrameDamage, ShadowScreenEqualsBackBufferAfterEveryPresent) {
  struct Case {
    int32_t width, height;
    uint8_t storedCount;
    int32_t scale, ticks;
  } cases[] = {
      {640, 480, 0, 1, 3000},   {640, 480, 10, 1, 6000},  {640, 480, 100, 1, 6000},
      {333, 211, 255, 1, 5000}, {200, 150, 100, 1, 4000}, {20, 20, 100, 1, 2000},
      {1200, 700, 100, 2, 3000}, {701, 333, 10, 3, 3000}, {565, 317, 100, 1, 4000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunShadowed(c.width, c.height, c.storedCount, c.scale, c.ticks, 1234u + c.ticks), 0)
        << c.width << "x" << c.height << " count " << int(c.storedCount) << " scale " << c.scale;
  }
}

// Far fewer pixels than a whole frame go out once the first frame is sent.
// The hosts' own path: the frame step's ticks presented through
// VisitPendingRects into a window that starts with other content (a white
// background, a picture left over) reach every pixel, the last column and
// row included, and keep it equal to the back buffer.
TEST(FrameStep, PresentsReachEveryPixelOfAWindowThatStartsNonBlack) {
  static Sprites sprites;
  const struct {
    int32_t width, height, scale;
  } cases[] = {{400, 300, 1}, {333, 211, 1}, {1200, 700, 2}, {701, 333, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " scale " +
                 std::to_string(c.scale));
    const int32_t sw = SceneExtent(c.width, c.scale), sh = SceneExtent(c.height, c.scale);
    scene.screenWidth = sw;
    scene.screenHeight = sh;
    sceneSettings.tickIntervalMs = 10;
    sceneSettings.flakeCount = 100;
    InitSceneWithSeed(77);
    Image back(sw, sh), window(c.width, c.height), expected(c.width, c.height);
    std::fill(window.store.begin(), window.store.end(), 0x00FFFFFFu);
    static FrameStep step;
    StartFrameStep(&step, sw, sh);
    const DamageRect all = {0, 0, sw, sh};
    for (int32_t t = 1; t <= 300; ++t) {
      StepFrame(&step, back.buffer, sprites.set);
      VisitPendingRects(step.damage, c.scale, c.width, c.height,
                        [&](const DamageRect& sceneRect, const DamageRect&) {
                          ScaleRectInto(window.buffer, back.buffer, sceneRect, c.scale);
                        });
      ClearDamage(&step.damage);
      ScaleRectInto(expected.buffer, back.buffer, all, c.scale);
      int64_t differ = 0;
      for (size_t i = 0; i < window.store.size(); ++i) differ += window.store[i] != expected.store[i];
      ASSERT_EQ(differ, 0) << "pixels left as they were after tick " << t;
    }
  }
}

TEST(FrameDamage, SendsLittleOfABigScreen) {
  scene.screenWidth = 1920;
  scene.screenHeight = 1080;
  sceneSettings.flakeCount = 100;
  InitSceneWithSeed(5);
  static FrameDamage damage;
  ResetDamage(&damage, 1920, 1080);
  EXPECT_EQ(DamagedPixelCount(damage), 1920 * 1080);
  int64_t most = 0;
  for (int t = 0; t < 500; ++t) {
    ClearDamage(&damage);
    AddEraseDamage(&damage, scene);
    AdvanceScene();
    AddComposeDamage(&damage, scene);
    EXPECT_FALSE(damage.whole);
    most = std::max(most, DamagedPixelCount(damage));
  }
  // The figure's box and 100 flakes' boxes, each a little over its size.
  EXPECT_LT(most, 258 * 150 + 100 * 40 * 40);
}

TEST(FrameDamage, ClipsMergesAndOverflowsToWholeScreen) {
  static FrameDamage d;
  ResetDamage(&d, 100, 50);
  EXPECT_TRUE(d.whole);
  ClearDamage(&d);
  AddDamage(&d, -10, -10, 5, 5);       // clipped to the corner
  AddDamage(&d, 200, 0, 300, 10);      // wholly outside: nothing
  AddDamage(&d, 10, 10, 10, 20);       // empty: nothing
  ASSERT_EQ(d.count, 1);
  EXPECT_EQ(d.rects[0].left, 0);
  EXPECT_EQ(d.rects[0].right, 5);
  EXPECT_EQ(d.rects[0].bottom, 5);
  AddDamage(&d, 1, 1, 6, 6);           // overlaps enough: merged
  ASSERT_EQ(d.count, 1);
  EXPECT_EQ(d.rects[0].right, 6);
  AddDamage(&d, 50, 30, 60, 40);       // far away: kept apart
  EXPECT_EQ(d.count, 2);
  EXPECT_EQ(DamagedPixelCount(d), 36 + 100);
  ClearDamage(&d);
  for (int i = 0; i < kDamageCapacity + 1; ++i) {
    const int32_t x = (i * 3) % 100, y = (i * 3) / 100 * 2;
    AddDamage(&d, x, y, x + 1, y + 1);
  }
  EXPECT_TRUE(d.whole);
  EXPECT_EQ(DamagedPixelCount(d), 100 * 50);
  // Sprite positions near the ends of the integer range neither wrap nor pass.
  Scene s;
  std::memset(&s, 0, sizeof s);
  s.figure.x = INT32_MAX - 10;
  s.figure.previousFigurePos = {INT32_MIN, INT32_MIN};
  ClearDamage(&d);
  AddComposeDamage(&d, s);
  AddEraseDamage(&d, s);
  EXPECT_EQ(d.count, 0);
}

TEST(PixelScale, ChoiceAndExtents) {
  struct Case {
    int32_t w, h, requested, scale;
  } cases[] = {
      {1920, 1080, 0, 1}, {2560, 1600, 0, 1}, {2561, 1440, 0, 2}, {1440, 2561, 0, 2},
      {3840, 2160, 0, 2}, {3840, 2160, 1, 1}, {640, 480, 3, 3},   {640, 480, 9, 1},
      {640, 480, -1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChoosePixelScale(c.w, c.h, c.requested), c.scale) << c.w << "x" << c.h << " " << c.requested;
  EXPECT_EQ(SceneExtent(3840, 2), 1920);
  EXPECT_EQ(SceneExtent(3841, 2), 1921);
  EXPECT_EQ(SceneExtent(0, 2), 0);
  EXPECT_EQ(SceneExtent(5, 0), 5);
}

TEST(PixelScale, BlocksAreNearestNeighbourAndClipped) {
  Image scene(3, 2), window(7, 5);
  for (int i = 0; i < 6; ++i) scene.store[i] = 10 + i;
  ScaleRectInto(window.buffer, scene.buffer, DamageRect{-5, -5, 50, 50}, 3);
  const uint32_t expected[5][7] = {
      {10, 10, 10, 11, 11, 11, 12}, {10, 10, 10, 11, 11, 11, 12}, {10, 10, 10, 11, 11, 11, 12},
      {13, 13, 13, 14, 14, 14, 15}, {13, 13, 13, 14, 14, 14, 15},
  };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(window.store[y * 7 + x], expected[y][x]) << x << "," << y;
  // A rectangle copies only its own blocks.
  Image window2(7, 5);
  ScaleRectInto(window2.buffer, scene.buffer, DamageRect{1, 1, 2, 2}, 3);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(window2.store[y * 7 + x], (x >= 3 && x < 6 && y >= 3) ? 14u : 0u) << x << "," << y;
}

}  // namespace
