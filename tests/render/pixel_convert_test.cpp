// Scene pixels into a window's image format: channel layouts of true-colour
// visuals (5-6-5, 8-8-8 either way round, 3-3-2, 10-10-10), palette indices
// through the allocated cells, every pixel width and byte order, scaling and
// clipping.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/pixel_convert.h"

namespace {

struct Layout {
  const char* name;
  ChannelMasks masks;
};

const Layout kLayouts[] = {
    {"5-6-5", {0xF800, 0x07E0, 0x001F}},
    {"8-8-8", {0xFF0000, 0x00FF00, 0x0000FF}},
    {"8-8-8 BGR", {0x0000FF, 0x00FF00, 0xFF0000}},
    {"3-3-2", {0xE0, 0x1C, 0x03}},
    {"5-5-5", {0x7C00, 0x03E0, 0x001F}},
    {"10-10-10", {0x3FF00000, 0x000FFC00, 0x000003FF}},
};

TEST(PixelConvert, ChannelTablesForEachLayout) {
  struct Case {
    int layout;
    uint32_t rgb, pixel;
  } cases[] = {
      {0, 0x000000, 0x0000},     {0, 0xFFFFFF, 0xFFFF},     {0, 0xFF0000, 0xF800},
      {0, 0x00FF00, 0x07E0},     {0, 0x0000FF, 0x001F},     {0, 0x123456, 0x11AA},
      {0, 0x070307, 0x0000},     {1, 0x123456, 0x123456},   {2, 0x123456, 0x563412},
      {3, 0xFFFFFF, 0xFF},       {3, 0x20C040, 0x39},       {3, 0x1F1F3F, 0x00},
      {4, 0xFFFFFF, 0x7FFF},     {4, 0x0808F8, 0x043F},
      {5, 0xFFFFFF, 0x3FFFFFFF}, {5, 0x800000, 0x20200000}, {5, 0x000001, 0x00000004},
  };
  for (const Case& c : cases) {
    TrueColourTables t;
    BuildTrueColourTables(kLayouts[c.layout].masks, &t);
    EXPECT_EQ(TrueColourPixel(t, c.rgb), c.pixel) << kLayouts[c.layout].name << " " << std::hex << c.rgb;
  }
}

// Composing (AND of masks, OR of sprites, AND of the far flakes' blocks) on
// 0x00RRGGBB pixels and converting afterwards gives what composing on the
// converted pixels gives: the conversion keeps each channel's top bits.
TEST(PixelConvert, ConversionCommutesWithAndAndOr) {
  std::mt19937 random(7);
  for (const Layout& layout : kLayouts) {
    TrueColourTables t;
    BuildTrueColourTables(layout.masks, &t);
    for (int i = 0; i < 20000; ++i) {
      const uint32_t a = random() & 0xFFFFFF, b = random() & 0xFFFFFF;
      ASSERT_EQ(TrueColourPixel(t, a & b), TrueColourPixel(t, a) & TrueColourPixel(t, b)) << layout.name;
      ASSERT_EQ(TrueColourPixel(t, a | b), TrueColourPixel(t, a) | TrueColourPixel(t, b)) << layout.name;
    }
    // The mask convention survives: black is no bits, white all of them.
    EXPECT_EQ(TrueColourPixel(t, 0), 0u);
    EXPECT_EQ(TrueColourPixel(t, 0xFFFFFF), layout.masks.red | layout.masks.green | layout.masks.blue);
  }
}

// An image filled with a sentinel byte, read back pixel by pixel.
struct TestImage {
  std::vector<uint8_t> bytes;
  ImageLayout layout;
  TestImage(int32_t w, int32_t h, int32_t bpp, bool msb, int32_t pad = 3) {
    const int32_t line = w * bpp / 8 + pad;
    bytes.assign(static_cast<size_t>(line) * h, 0xA5);
    layout = ImageLayout{bytes.data(), w, h, line, bpp, msb};
  }
  uint32_t At(int32_t x, int32_t y) const {
    const int32_t n = layout.bitsPerPixel / 8;
    const uint8_t* p = bytes.data() + y * layout.bytesPerLine + x * n;
    uint32_t v = 0;
    for (int32_t i = 0; i < n; ++i) v = (v << 8) | p[layout.msbFirst ? i : n - 1 - i];
    return v;
  }
  uint32_t Sentinel() const {
    uint32_t v = 0;
    for (int32_t i = 0; i < layout.bitsPerPixel / 8; ++i) v = (v << 8) | 0xA5;
    return v;
  }
};

TEST(PixelConvert, RectanglesScaledIntoEveryPixelWidthAndByteOrder) {
  const int32_t sw = 7, sh = 5;
  std::vector<uint32_t> rgb(sw * sh);
  std::vector<uint8_t> indices(sw * sh);
  for (int32_t i = 0; i < sw * sh; ++i) {
    rgb[i] = 0x10305u * static_cast<uint32_t>(i + 1) & 0xFFFFFF;
    indices[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  const PixelBuffer32 scene32{rgb.data(), sw, sh, sw};
  const PixelBuffer8 scene8{indices.data(), sw, sh, sw};
  IndexedPixelTable cells;
  for (int i = 0; i < 256; ++i) cells.pixel[i] = 0x00C0FFEEu ^ static_cast<uint32_t>(i * 0x01010101u);

  struct Target {
    int32_t bpp;
    bool msb;
    int layout;  // -1: palette indices
  } targets[] = {{16, false, 0}, {16, true, 0}, {24, false, 1}, {24, true, 2}, {32, false, 1},
                 {32, true, 5},  {8, false, 3},  {8, false, -1}, {16, false, -1}, {32, true, -1}};
  const DamageRect rects[] = {{0, 0, sw, sh}, {2, 1, 5, 4}, {-3, -2, 2, 2}, {5, 3, 100, 100}, {3, 3, 3, 4}};
  for (const Target& target : targets) {
    TrueColourTables t;
    if (target.layout >= 0) BuildTrueColourTables(kLayouts[target.layout].masks, &t);
    const uint32_t keep = target.bpp == 32 ? 0xFFFFFFFFu : (1u << target.bpp) - 1;
    for (int32_t scale = 1; scale <= 3; ++scale) {
      for (const DamageRect& r : rects) {
        // An image a little smaller than the scaled scene: the last blocks are cut.
        const int32_t iw = sw * scale - 1, ih = sh * scale - 1;
        TestImage image(iw, ih, target.bpp, target.msb);
        if (target.layout >= 0) ConvertRectInto(image.layout, scene32, r, scale, t);
        else ConvertRectInto(image.layout, scene8, r, scale, cells);
        for (int32_t y = 0; y < ih; ++y) {
          for (int32_t x = 0; x < iw; ++x) {
            const int32_t sx = x / scale, sy = y / scale;
            const bool inside = sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom;
            uint32_t want = image.Sentinel();
            if (inside) {
              want = (target.layout >= 0 ? TrueColourPixel(t, rgb[sy * sw + sx])
                                         : cells.pixel[indices[sy * sw + sx]]) & keep;
            }
            ASSERT_EQ(image.At(x, y), want)
                << target.bpp << " bpp, msb " << target.msb << ", scale " << scale << ", rect "
                << r.left << "," << r.top << "," << r.right << "," << r.bottom << " at (" << x
                << ", " << y << ")";
          }
          // The padding at the end of each line is never written.
          const uint8_t* end = image.bytes.data() + y * image.layout.bytesPerLine + iw * target.bpp / 8;
          ASSERT_EQ(end[0], 0xA5);
        }
      }
    }
  }
}

TEST(PixelConvert, UnsupportedLayoutsAreLeftAlone) {
  std::vector<uint32_t> rgb(4, 0xFFFFFF);
  const PixelBuffer32 scene{rgb.data(), 2, 2, 2};
  TrueColourTables t;
  BuildTrueColourTables(kLayouts[0].masks, &t);
  struct Case {
    int32_t bpp, line;
    bool supported;
  } cases[] = {{12, 8, false}, {4, 8, false}, {1, 8, false}, {16, 3, false}, {16, 4, true},
               {24, 5, false}, {32, 8, true}};
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(64, 0x11);
    const ImageLayout layout{bytes.data(), 2, 2, c.line, c.bpp, false};
    EXPECT_EQ(LayoutSupported(layout), c.supported) << c.bpp << " " << c.line;
    if (c.supported) continue;
    ConvertRectInto(layout, scene, DamageRect{0, 0, 2, 2}, 1, t);
    for (uint8_t b : bytes) ASSERT_EQ(b, 0x11);
  }
}

}  // namespace
