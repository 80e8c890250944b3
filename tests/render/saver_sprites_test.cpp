// The sprites built into the native program are the files in resources/,
// byte for byte, and decode into both pixel forms with the mask convention
// intact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/embedded_sprites.h"
#include "render/saver_sprites.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SaverSprites, BuiltInBitmapsAreTheResourceFilesWithoutTheirFileHeader) {
  const char* dir = std::getenv("NAVANAVA_SOURCE_DIR");
  ASSERT_NE(dir, nullptr);
  const char* files[kEmbeddedSpriteCount] = {"nava.bmp", "nava_m.bmp", "ice.bmp", "ice_m.bmp"};
  const char* names[kEmbeddedSpriteCount] = {"NAVA", "NAVA_M", "ICE", "ICE_M"};
  for (int k = 0; k < kEmbeddedSpriteCount; ++k) {
    const std::vector<uint8_t> file = ReadFile(std::string(dir) + "/resources/" + files[k]);
    ASSERT_GT(file.size(), 14u);
    const std::vector<uint8_t> resource(file.begin() + 14, file.end());
    EXPECT_STREQ(kEmbeddedSprites[k].name, names[k]);
    ASSERT_EQ(kEmbeddedSprites[k].size, resource.size()) << files[k];
    EXPECT_TRUE(std::equal(resource.begin(), resource.end(), kEmbeddedSprites[k].data)) << files[k];
  }
}

TEST(SaverSprites, DecodeIntoTrueColourAndPaletteIndices) {
  ASSERT_TRUE(LoadSaverSprites());
  ASSERT_TRUE(saverSprites.loaded);
  EXPECT_EQ(saverSprites.palette.count, 256u);
  EXPECT_EQ(saverSprites.palette.colours[0], 0x000000u);
  EXPECT_EQ(saverSprites.palette.colours[255], 0xFFFFFFu);
  const SpriteSet<uint32_t>& rgb = saverSprites.rgb;
  const SpriteSet<uint8_t>& idx = saverSprites.indexed;
  EXPECT_EQ(rgb.figureImage.width, 256);
  EXPECT_EQ(rgb.figureImage.height, 148);
  EXPECT_EQ(idx.flakeStrip.width, 128);
  EXPECT_EQ(idx.flakeStrip.height, 32);
  // Masks hold only black and white, and the sprites are black wherever
  // their masks are white, in both forms.
  struct Pair {
    PixelBuffer32 mask32, sprite32;
    PixelBuffer8 mask8, sprite8;
  } pairs[] = {{rgb.figureMask, rgb.figureImage, idx.figureMask, idx.figureImage},
               {rgb.flakeMaskStrip, rgb.flakeStrip, idx.flakeMaskStrip, idx.flakeStrip}};
  for (const Pair& p : pairs) {
    int opaque = 0;
    for (int32_t y = 0; y < p.mask32.height; ++y) {
      for (int32_t x = 0; x < p.mask32.width; ++x) {
        const uint32_t m = p.mask32.Row(y)[x];
        const uint8_t m8 = p.mask8.Row(y)[x];
        ASSERT_TRUE(m == 0 || m == 0xFFFFFF);
        ASSERT_EQ(m8, m == 0 ? 0 : 255);
        if (m != 0) {
          ASSERT_EQ(p.sprite32.Row(y)[x], 0u);
          ASSERT_EQ(p.sprite8.Row(y)[x], 0);
        } else {
          ++opaque;
          // An opaque pixel's index is the palette entry nearest its colour.
          const uint32_t c = saverSprites.palette.colours[p.sprite8.Row(y)[x]];
          ASSERT_EQ(NearestPaletteIndex(saverSprites.palette, p.sprite32.Row(y)[x]),
                    NearestPaletteIndex(saverSprites.palette, c));
        }
      }
    }
    EXPECT_GT(opaque, 100);
  }
}

}  // namespace
