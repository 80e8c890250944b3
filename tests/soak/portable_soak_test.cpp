// A long run of the portable path with the real sprites: advance, compose,
// present, erase, tick after tick. Under the sanitizers it proves that no
// position the scene reaches makes a blit or fill leave its buffers, and
// throughout it checks that erasing keeps the back buffer clean: after each
// erase, nothing but the figure's one-tick strip is left. Ticks come from
// NAVANAVA_SOAK_TICKS (a short run by default; `make fuzz` runs a million).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/compose.h"
#include "render/sprite_decode.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

long SoakTicks() {
  const char* env = std::getenv("NAVANAVA_SOAK_TICKS");
  long ticks = env ? std::atol(env) : 0;
  return ticks > 0 ? ticks : 30000;
}

std::vector<uint8_t> ReadResource(const char* name) {
  const char* dir = std::getenv("NAVANAVA_SOURCE_DIR");
  std::ifstream in(std::string(dir ? dir : ".") + "/resources/" + name, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A resource is the bitmap file without its 14-byte file header.
  if (file.size() >= 14) file.erase(file.begin(), file.begin() + 14);
  return file;
}

template <typename Pixel>
struct RealSprites {
  std::vector<Pixel> pixels[4];
  SpriteSet<Pixel> set{};
  bool ok = true;

  RealSprites() {
    const char* files[4] = {"nava.bmp", "nava_m.bmp", "ice.bmp", "ice_m.bmp"};
    std::vector<uint8_t> nava = ReadResource("nava.bmp");
    ScenePaletteEntries palette;
    BuildScenePalette(nava.data(), nava.size(), &palette);
    PixelBuffer<Pixel> buffers[4];
    for (int k = 0; k < 4; ++k) {
      std::vector<uint8_t> data = ReadResource(files[k]);
      DecodedSprite sprite;
      if (!DecodeSpriteResource(data.data(), data.size(), &sprite)) {
        ok = false;
        return;
      }
      pixels[k].resize(static_cast<size_t>(sprite.width) * sprite.height);
      if constexpr (sizeof(Pixel) == 4)
        ConvertSpriteToRgb32(sprite, pixels[k].data(), sprite.width);
      else
        ConvertSpriteToPaletteIndices(sprite, palette, pixels[k].data(), sprite.width);
      buffers[k] = PixelBuffer<Pixel>{pixels[k].data(), sprite.width, sprite.height, sprite.width};
    }
    set = SpriteSet<Pixel>{buffers[0], buffers[1], buffers[2], buffers[3]};
  }
};

// Every pixel outside the figure's current rectangle is black.
template <typename Pixel>
bool CleanOutsideFigure(const PixelBuffer<Pixel>& buffer, const Scene& s, std::string* where) {
  for (int32_t y = 0; y < buffer.height; ++y) {
    const Pixel* row = buffer.Row(y);
    for (int32_t x = 0; x < buffer.width; ++x) {
      if (row[x] == 0) continue;
      bool inFigure = x >= s.figure.x && x < s.figure.x + kFigureWidth && y >= s.figure.y &&
                      y < s.figure.y + kFigureHeight;
      if (!inFigure) {
        *where = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return false;
      }
    }
  }
  return true;
}

template <typename Pixel>
void Soak(int32_t width, int32_t height, uint8_t storedCount, uint32_t seed, long ticks) {
  RealSprites<Pixel> sprites;
  ASSERT_TRUE(sprites.ok);
  std::vector<Pixel> back(static_cast<size_t>(width) * height, 0);
  // The window is smaller than the screen, as a preview's is.
  const int32_t windowW = width / 2 + 7, windowH = height / 2 + 3;
  std::vector<Pixel> window(static_cast<size_t>(windowW) * windowH, 0);
  PixelBuffer<Pixel> backBuffer{back.data(), width, height, width};
  PixelBuffer<Pixel> windowBuffer{window.data(), windowW, windowH, windowW};

  scene.screenWidth = width;
  scene.screenHeight = height;
  sceneSettings.flakeCount = storedCount;
  InitSceneWithSeed(seed);
  for (long tick = 1; tick <= ticks; ++tick) {
    AdvanceScene();
    ComposeFrameInto(backBuffer, sprites.set, scene);
    PresentFrameTo(windowBuffer, backBuffer, scene);
    EraseFrameIn(backBuffer, scene);
    if (tick % 997 == 0 || tick == ticks) {
      std::string where;
      ASSERT_TRUE(CleanOutsideFigure(backBuffer, scene, &where))
          << "tick " << tick << ": " << where << " left behind";
    }
  }
}

TEST(PortableSoak, TrueColourFullFlakes) { Soak<uint32_t>(320, 240, 100, 11, SoakTicks()); }
TEST(PortableSoak, PaletteStoredCountAboveTheTable) { Soak<uint8_t>(300, 200, 255, 12, SoakTicks()); }
TEST(PortableSoak, ScreenNarrowerThanTheFigure) { Soak<uint32_t>(120, 90, 7, 13, SoakTicks() / 4); }

}  // namespace
