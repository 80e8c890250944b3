// A long run of the portable path with the real sprites: advance, compose,
// present, erase, tick after tick. Under the sanitizers it proves that no
// position the scene reaches makes a blit or fill leave its buffers, and
// throughout it checks that erasing keeps the back buffer clean: after each
// erase, nothing but the figure's one-tick strip is left. Ticks come from
// NAVANAVA_SOAK_TICKS (a short run by default; `make fuzz` runs a million).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/compose.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

long SoakTicks() {
  const char* env = std::getenv("NAVANAVA_SOAK_TICKS");
  long ticks = env ? std::atol(env) : 0;
  return ticks > 0 ? ticks : 30000;
}


// The sprites built into the programs, in the pixel type under test.
const SpriteSet<uint32_t>& SpritesOf(uint32_t*) { return saverSprites.rgb; }
const SpriteSet<uint8_t>& SpritesOf(uint8_t*) { return saverSprites.indexed; }

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
  ASSERT_TRUE(saverSprites.loaded || LoadSaverSprites());
  const SpriteSet<Pixel>& sprites = SpritesOf(static_cast<Pixel*>(nullptr));
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
    ComposeFrameInto(backBuffer, sprites, scene);
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
