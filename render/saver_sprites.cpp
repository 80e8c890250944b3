#include "render/saver_sprites.h"

#include "render/embedded_sprites.h"

SaverSprites saverSprites;

namespace {

constexpr int32_t kFigurePixels = kFigureWidth * kFigureHeight;
constexpr int32_t kStripPixels = kFlakeStripWidth * kFlakeSize;

// Fixed storage: the sprites live as long as the process.
uint32_t rgbPixels[2 * kFigurePixels + 2 * kStripPixels];
uint8_t indexPixels[2 * kFigurePixels + 2 * kStripPixels];

}  // namespace

bool LoadSaverSprites() {
  saverSprites.loaded = false;
  const int32_t sizes[kEmbeddedSpriteCount][2] = {{kFigureWidth, kFigureHeight},
                                                  {kFigureWidth, kFigureHeight},
                                                  {kFlakeStripWidth, kFlakeSize},
                                                  {kFlakeStripWidth, kFlakeSize}};
  static DecodedSprite decoded[kEmbeddedSpriteCount];
  for (int k = 0; k < kEmbeddedSpriteCount; ++k) {
    const EmbeddedSprite& e = kEmbeddedSprites[k];
    if (!DecodeSpriteResource(e.data, e.size, &decoded[k]) || decoded[k].width != sizes[k][0] ||
        decoded[k].height != sizes[k][1]) {
      return false;
    }
  }
  BuildScenePalette(kEmbeddedSprites[0].data, kEmbeddedSprites[0].size, &saverSprites.palette);

  PixelBuffer32 rgb[kEmbeddedSpriteCount];
  PixelBuffer8 indexed[kEmbeddedSpriteCount];
  int32_t offset = 0;
  for (int k = 0; k < kEmbeddedSpriteCount; ++k) {
    const DecodedSprite& s = decoded[k];
    ConvertSpriteToRgb32(s, rgbPixels + offset, s.width);
    ConvertSpriteToPaletteIndices(s, saverSprites.palette, indexPixels + offset, s.width);
    rgb[k] = PixelBuffer32{rgbPixels + offset, s.width, s.height, s.width};
    indexed[k] = PixelBuffer8{indexPixels + offset, s.width, s.height, s.width};
    offset += s.width * s.height;
  }
  saverSprites.rgb = SpriteSet<uint32_t>{rgb[0], rgb[1], rgb[2], rgb[3]};
  saverSprites.indexed = SpriteSet<uint8_t>{indexed[0], indexed[1], indexed[2], indexed[3]};
  saverSprites.loaded = true;
  return true;
}
