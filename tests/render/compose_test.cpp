// The portable composition on small synthetic sprites, at both pixel widths:
// raster operations, the 2:1 AND reduction, clipping, draw and erase order,
// and the figure's strip that an erase leaves for one tick.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "render/compose.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

template <typename Pixel> constexpr Pixel kWhite = static_cast<Pixel>(0x00FFFFFF);
// Distinct non-black pixel values; in the 8-bit build they are palette indices.
template <typename Pixel>
Pixel Colour(uint32_t k) {
  return static_cast<Pixel>(sizeof(Pixel) == 1 ? 1 + (k * 37) % 254
                                              : (0x00010101u * (k % 200 + 20)) ^ ((k & 0xFFF) << 4));
}

template <typename Pixel>
struct Image {
  std::vector<Pixel> store;
  PixelBuffer<Pixel> buffer;
  Image(int32_t w, int32_t h, Pixel fill = 0) : store(static_cast<size_t>(w) * h, fill) {
    buffer = PixelBuffer<Pixel>{store.data(), w, h, w};
  }
  Pixel& At(int32_t x, int32_t y) { return store[static_cast<size_t>(y) * buffer.width + x]; }
};

// Sprites that follow the mask convention: mask black where opaque and white
// elsewhere, sprite black wherever transparent. A flake cell is an opaque
// disc of radius 12 around (16, 16) in a colour of its own; the figure is
// opaque inside its margins (columns margin..255-margin, rows margin..147-
// margin) with a colour that changes from pixel to pixel.
template <typename Pixel>
struct Sprites {
  Image<Pixel> figureImage{kFigureWidth, kFigureHeight}, figureMask{kFigureWidth, kFigureHeight};
  Image<Pixel> flakeStrip{kFlakeStripWidth, kFlakeSize}, flakeMaskStrip{kFlakeStripWidth, kFlakeSize};
  SpriteSet<Pixel> set;

  static bool InDisc(int32_t x, int32_t y) {
    const int32_t dx = x - 16, dy = y - 16;
    return dx * dx + dy * dy <= 144;
  }
  explicit Sprites(int32_t figureMargin = 2) {
    for (int32_t y = 0; y < kFigureHeight; ++y) {
      for (int32_t x = 0; x < kFigureWidth; ++x) {
        const bool opaque = x >= figureMargin && x < kFigureWidth - figureMargin &&
                            y >= figureMargin && y < kFigureHeight - figureMargin;
        figureMask.At(x, y) = opaque ? 0 : kWhite<Pixel>;
        figureImage.At(x, y) = opaque ? Colour<Pixel>(100 + x * 3 + y * 5) : 0;
      }
    }
    for (int32_t y = 0; y < kFlakeSize; ++y) {
      for (int32_t x = 0; x < kFlakeStripWidth; ++x) {
        const bool opaque = InDisc(x % kFlakeSize, y);
        flakeMaskStrip.At(x, y) = opaque ? 0 : kWhite<Pixel>;
        flakeStrip.At(x, y) = opaque ? Colour<Pixel>(1 + x / kFlakeSize) : 0;
      }
    }
    set = SpriteSet<Pixel>{figureImage.buffer, figureMask.buffer, flakeStrip.buffer,
                           flakeMaskStrip.buffer};
  }
};

Scene EmptyScene(int32_t w, int32_t h) {
  Scene s;
  std::memset(&s, 0, sizeof s);
  s.screenWidth = w;
  s.screenHeight = h;
  // Figure and its previous rectangle far off-screen unless a test places them.
  s.figure.x = s.figure.previousFigurePos.x = -10000;
  s.figure.y = s.figure.previousFigurePos.y = -10000;
  return s;
}

template <typename Pixel>
class Compose : public ::testing::Test {};
typedef ::testing::Types<uint8_t, uint32_t> PixelTypes;
TYPED_TEST_SUITE(Compose, PixelTypes);

TYPED_TEST(Compose, RasterOperationsAreBitwiseOnPixelValues) {
  using Pixel = TypeParam;
  const Pixel d = Colour<Pixel>(5), s = Colour<Pixel>(9);
  Image<Pixel> source(1, 1, s);
  const struct { RasterOp op; Pixel expected; } cases[] = {
      {RasterOp::And, static_cast<Pixel>(d & s)},
      {RasterOp::Or, static_cast<Pixel>(d | s)},
      {RasterOp::Copy, s},
  };
  for (const auto& c : cases) {
    Image<Pixel> destination(1, 1, d);
    BlitPixels(destination.buffer, 0, 0, 1, 1, source.buffer, 0, 0, c.op);
    EXPECT_EQ(destination.At(0, 0), c.expected);
  }
}

TYPED_TEST(Compose, HalvingAndsEachTwoByTwoBlockNothingAveraged) {
  using Pixel = TypeParam;
  // 4 x 4 source; each 2 x 2 block ANDs to a known value.
  const Pixel a = static_cast<Pixel>(0xF3), b = static_cast<Pixel>(0x3C);
  Image<Pixel> source(4, 4, kWhite<Pixel>);
  source.At(0, 0) = a;  source.At(1, 1) = b;      // block (0,0): a & b
  source.At(3, 0) = 0;                            // block (1,0): 0
  source.At(2, 3) = a;                            // block (1,1): a
  Image<Pixel> destination(2, 2, kWhite<Pixel>);
  BlitHalvedByAnd(destination.buffer, 0, 0, 2, 2, source.buffer, 0, 0, RasterOp::And);
  EXPECT_EQ(destination.At(0, 0), static_cast<Pixel>(a & b));
  EXPECT_EQ(destination.At(1, 0), 0);
  EXPECT_EQ(destination.At(0, 1), kWhite<Pixel>);
  EXPECT_EQ(destination.At(1, 1), a);
}

// Clipping keeps each remaining pixel where it would be unclipped: drawing
// into a small buffer equals drawing into a large one with a margin and
// cutting the small one out.
TYPED_TEST(Compose, ClippingNeverMovesAnImage) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites(0);
  const int32_t w = 40, h = 30, margin = 300;
  const int32_t positions[][2] = {{-31, 5}, {-16, -16}, {25, -20}, {35, 25}, {-5, 20},
                                  {10, -1}, {39, 29},   {-32, 0},  {40, 0},  {5, -300},
                                  {-255, 0}, {-200, -140}, {-1, -1}};
  for (const auto& p : positions) {
    for (int op = 0; op < 4; ++op) {
      Image<Pixel> small(w, h, Colour<Pixel>(77)), large(w + 2 * margin, h + 2 * margin, Colour<Pixel>(77));
      auto draw = [&](Image<Pixel>& img, int32_t x, int32_t y) {
        switch (op) {
          case 0: BlitPixels(img.buffer, x, y, 32, 32, sprites.set.flakeStrip, 64, 0, RasterOp::Or); break;
          case 1: BlitHalvedByAnd(img.buffer, x, y, 16, 16, sprites.set.flakeMaskStrip, 32, 0, RasterOp::And); break;
          case 2: FillBlack(img.buffer, x, y, x + 33, y + 33); break;
          case 3: BlitPixels(img.buffer, x, y, 256, 148, sprites.set.figureImage, 0, 0, RasterOp::Copy); break;
        }
      };
      draw(small, p[0], p[1]);
      draw(large, p[0] + margin, p[1] + margin);
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          ASSERT_EQ(small.At(x, y), large.At(x + margin, y + margin))
              << "operation " << op << " at (" << p[0] << ", " << p[1] << "), pixel (" << x << ", " << y << ")";
        }
      }
    }
  }
}

TYPED_TEST(Compose, FirstTickShowsOnlyTheFiguresLastColumnAndErasesNothingOfIt) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites(0);  // opaque to the edges, so the last column shows
  Image<Pixel> back(64, 200, Colour<Pixel>(3));
  Scene s = EmptyScene(64, 200);
  s.figure.previousFigurePos = {-256, 0};
  s.figure.x = -255;
  s.figure.y = 200 - 153;
  ComposeFrameInto(back.buffer, sprites.set, s);
  for (int32_t y = 0; y < 200; ++y) {
    const bool onFigure = y >= s.figure.y && y < s.figure.y + kFigureHeight;
    EXPECT_EQ(back.At(0, y), onFigure ? sprites.figureImage.At(255, y - s.figure.y) : Colour<Pixel>(3)) << y;
    EXPECT_EQ(back.At(1, y), Colour<Pixel>(3)) << y;
  }
  std::vector<Pixel> before = back.store;
  EraseFrameIn(back.buffer, s);  // previous rectangle (-256, 0)..(0, 148): wholly outside
  EXPECT_EQ(back.store, before);
}

TYPED_TEST(Compose, FlakeAtMinus32DrawsNothingButItsEraseBlackensRowZero) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites;
  const Pixel grey = Colour<Pixel>(11);
  Image<Pixel> back(100, 50, grey);
  Scene s = EmptyScene(100, 50);
  s.flakeCount = 1;
  s.flakes[0].x = 20;
  s.flakes[0].y = -32;
  s.flakes[0].frame = 2;
  ComposeFrameInto(back.buffer, sprites.set, s);
  for (Pixel p : back.store) ASSERT_EQ(p, grey);
  EraseFrameIn(back.buffer, s);
  for (int32_t y = 0; y < 50; ++y) {
    for (int32_t x = 0; x < 100; ++x) {
      const bool erased = y == 0 && x >= 20 && x <= 52;
      ASSERT_EQ(back.At(x, y), erased ? Pixel(0) : grey) << x << ", " << y;
    }
  }
  // One row higher the flake and its erase rectangle lie wholly outside.
  s.flakes[0].y = -33;
  Image<Pixel> untouched(100, 50, grey);
  ComposeFrameInto(untouched.buffer, sprites.set, s);
  EraseFrameIn(untouched.buffer, s);
  for (Pixel p : untouched.store) ASSERT_EQ(p, grey);
}

// Two overlapping flakes of one group: the higher index is on top and hides
// the lower one under its opaque area (no OR mixing of the two colours).
TYPED_TEST(Compose, HigherIndexCoversLowerWithinAGroup) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites;
  // Near group: count 3 gives far {0}, near {1, 2}.
  {
    Image<Pixel> back(80, 80);
    Scene s = EmptyScene(80, 80);
    s.flakeCount = 3;
    s.flakes[0] = Flake{-100, -100, 0, 1, 1, 0};
    s.flakes[1] = Flake{10, 10, 0, 1, 1, 0};   // cell colour 1
    s.flakes[2] = Flake{20, 14, 3, 1, 1, 0};   // cell colour 4, overlapping
    ComposeFrameInto(back.buffer, sprites.set, s);
    for (int32_t y = 0; y < 80; ++y) {
      for (int32_t x = 0; x < 80; ++x) {
        Pixel expected = 0;
        if (x >= 10 && x < 42 && y >= 10 && y < 42 && Sprites<Pixel>::InDisc(x - 10, y - 10)) expected = Colour<Pixel>(1);
        if (x >= 20 && x < 52 && y >= 14 && y < 46 && Sprites<Pixel>::InDisc(x - 20, y - 14)) expected = Colour<Pixel>(4);
        ASSERT_EQ(back.At(x, y), expected) << x << ", " << y;
      }
    }
  }
  // Far group: count 4 gives far {0, 1}.
  {
    Image<Pixel> back(60, 60);
    Scene s = EmptyScene(60, 60);
    s.flakeCount = 4;
    s.flakes[0] = Flake{10, 10, 1, 1, 1, 0};
    s.flakes[1] = Flake{16, 12, 2, 1, 1, 0};
    s.flakes[2] = s.flakes[3] = Flake{-100, -100, 0, 1, 1, 0};
    ComposeFrameInto(back.buffer, sprites.set, s);
    Image<Pixel> only1(60, 60);
    Scene t = s;
    t.flakes[0].y = -100;
    ComposeFrameInto(only1.buffer, sprites.set, t);
    // Wherever flake 1's reduced mask is opaque the picture is flake 1 alone.
    Image<Pixel> mask1(16, 16, kWhite<Pixel>);
    BlitHalvedByAnd(mask1.buffer, 0, 0, 16, 16, sprites.set.flakeMaskStrip, 64, 0, RasterOp::And);
    int opaque = 0;
    for (int32_t v = 0; v < 16; ++v) {
      for (int32_t u = 0; u < 16; ++u) {
        if (mask1.At(u, v) != 0) continue;
        ++opaque;
        EXPECT_EQ(back.At(16 + u, 12 + v), only1.At(16 + u, 12 + v));
      }
    }
    EXPECT_GT(opaque, 100);
  }
}

// A near flake replaces the figure under its opaque area; a far flake shows
// only where the figure is transparent.
TYPED_TEST(Compose, FigureStandsBetweenFarAndNearFlakes) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites;
  Image<Pixel> back(300, 160);
  Scene s = EmptyScene(300, 160);
  s.figure.x = 10;
  s.figure.y = 5;
  s.flakeCount = 2;
  s.flakes[0] = Flake{5, 40, 1, 1, 1, 0};   // far: straddles the figure's left margin
  s.flakes[1] = Flake{100, 60, 2, 1, 1, 0}; // near: inside the figure
  ComposeFrameInto(back.buffer, sprites.set, s);
  Image<Pixel> farMask(16, 16, kWhite<Pixel>), farSprite(16, 16);
  BlitHalvedByAnd(farMask.buffer, 0, 0, 16, 16, sprites.set.flakeMaskStrip, 32, 0, RasterOp::And);
  BlitHalvedByAnd(farSprite.buffer, 0, 0, 16, 16, sprites.set.flakeStrip, 32, 0, RasterOp::Copy);
  for (int32_t y = 0; y < 160; ++y) {
    for (int32_t x = 0; x < 300; ++x) {
      Pixel expected = 0;
      const int32_t fu = x - 5, fv = y - 40;
      if (fu >= 0 && fu < 16 && fv >= 0 && fv < 16 && farMask.At(fu, fv) == 0) expected = farSprite.At(fu, fv);
      const int32_t gx = x - 10, gy = y - 5;
      if (gx >= 0 && gx < 256 && gy >= 0 && gy < 148 && sprites.figureMask.At(gx, gy) == 0) expected = sprites.figureImage.At(gx, gy);
      const int32_t nx = x - 100, ny = y - 60;
      if (nx >= 0 && nx < 32 && ny >= 0 && ny < 32 && Sprites<Pixel>::InDisc(nx, ny)) expected = Colour<Pixel>(3);
      ASSERT_EQ(back.At(x, y), expected) << x << ", " << y;
    }
  }
}

// A far flake's edge: where a 2 x 2 block mixes opaque and transparent
// pixels, the reduced mask is opaque and the reduced sprite black, so the
// flake gets an opaque black rim over the background.
TYPED_TEST(Compose, FarFlakeHasAnOpaqueBlackRim) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites;
  const Pixel background = Colour<Pixel>(50);
  Image<Pixel> back(20, 20, background);
  Scene s = EmptyScene(20, 20);
  s.flakeCount = 2;
  s.flakes[0] = Flake{2, 2, 0, 1, 1, 0};
  s.flakes[1] = Flake{-100, -100, 0, 1, 1, 0};
  ComposeFrameInto(back.buffer, sprites.set, s);
  int rim = 0, inside = 0, outside = 0;
  for (int32_t v = 0; v < 16; ++v) {
    for (int32_t u = 0; u < 16; ++u) {
      int opaqueOfFour = 0;
      for (int k = 0; k < 4; ++k) opaqueOfFour += Sprites<Pixel>::InDisc(2 * u + k % 2, 2 * v + k / 2);
      const Pixel expected = opaqueOfFour == 4 ? Colour<Pixel>(1) : opaqueOfFour == 0 ? background : Pixel(0);
      rim += opaqueOfFour > 0 && opaqueOfFour < 4;
      inside += opaqueOfFour == 4;
      outside += opaqueOfFour == 0;
      EXPECT_EQ(back.At(2 + u, 2 + v), expected) << u << ", " << v;
    }
  }
  EXPECT_GT(rim, 10);
  EXPECT_GT(inside, 10);
  EXPECT_GT(outside, 10);
}

TYPED_TEST(Compose, PresentCopiesTheScreenSizedFrameClippedToTheWindow) {
  using Pixel = TypeParam;
  Image<Pixel> back(50, 40);
  for (size_t i = 0; i < back.store.size(); ++i) back.store[i] = Colour<Pixel>(static_cast<uint32_t>(i));
  Scene s = EmptyScene(50, 40);
  Image<Pixel> preview(20, 15, kWhite<Pixel>), large(60, 45, kWhite<Pixel>);
  PresentFrameTo(preview.buffer, back.buffer, s);
  PresentFrameTo(large.buffer, back.buffer, s);
  for (int32_t y = 0; y < 45; ++y) {
    for (int32_t x = 0; x < 60; ++x) {
      if (x < 20 && y < 15) {
        ASSERT_EQ(preview.At(x, y), back.At(x, y));
      }
      ASSERT_EQ(large.At(x, y), x < 50 && y < 40 ? back.At(x, y) : kWhite<Pixel>);
    }
  }
}

// Many real ticks with 100 flakes at every edge: after each erase the buffer
// is black except for the part of this tick's figure outside its previous
// rectangle, so whatever an erase leaves goes with the next one. While the
// figure jumps that part holds a few of its rows; the one column of a walk
// lies in the transparent margin and stays black.
TYPED_TEST(Compose, AfterEveryEraseOnlyTheFiguresStripRemains) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites;
  const int32_t w = 400, h = 300;
  Image<Pixel> back(w, h), screen(w, h);
  scene.screenWidth = w;
  scene.screenHeight = h;
  sceneSettings.flakeCount = 100;
  InitSceneWithSeed(12345);
  int rowStrip = 0;
  for (int tick = 1; tick <= 700; ++tick) {
    AdvanceScene();
    ComposeFrameInto(back.buffer, sprites.set, scene);
    PresentFrameTo(screen.buffer, back.buffer, scene);
    ASSERT_EQ(screen.store, back.store);
    EraseFrameIn(back.buffer, scene);
    const Figure& f = scene.figure;
    const FigurePos& old = f.previousFigurePos;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (back.At(x, y) == 0) continue;
        const bool inNew = x >= f.x && x < f.x + 256 && y >= f.y && y < f.y + 148;
        const bool oldColumns = x >= old.x && x < old.x + 256;
        const bool oldRows = y >= old.y && y < old.y + 148;
        ASSERT_TRUE(inNew && oldColumns && !oldRows) << "tick " << tick << " pixel " << x << ", " << y;
        ++rowStrip;
      }
    }
  }
  EXPECT_GT(rowStrip, 0);
}

TYPED_TEST(Compose, StripOfAWalkingFigureSurvivesOneTickOnly) {
  using Pixel = TypeParam;
  Sprites<Pixel> sprites(0);
  Image<Pixel> back(400, 200);
  Scene s = EmptyScene(400, 200);
  s.figure.previousFigurePos = {50, 40};
  s.figure.x = 51;
  s.figure.y = 40;
  ComposeFrameInto(back.buffer, sprites.set, s);
  EraseFrameIn(back.buffer, s);
  for (int32_t y = 0; y < 200; ++y) {
    for (int32_t x = 0; x < 400; ++x) {
      const bool strip = x == 51 + 255 && y >= 40 && y < 188;
      ASSERT_EQ(back.At(x, y), strip ? sprites.figureImage.At(255, y - 40) : Pixel(0)) << x << ", " << y;
    }
  }
  s.figure.previousFigurePos = {51, 40};
  s.figure.x = 52;
  ComposeFrameInto(back.buffer, sprites.set, s);
  EraseFrameIn(back.buffer, s);
  for (int32_t y = 40; y < 188; ++y) EXPECT_EQ(back.At(51 + 255, y), 0) << y;
}

}  // namespace
