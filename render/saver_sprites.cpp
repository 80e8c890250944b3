#include "render/saver_sprites.h"

#include "render/embedded_sprites.h"

SaverSprites saverSprites;

bool DecodeSaverSprites(const SpriteResource resources[kSpriteCount], SaverSprites* sprites) {
  sprites->loaded = false;
  const int32_t sizes[kSpriteCount][2] = {{kFigureWidth, kFigureHeight},
                                          {kFigureWidth, kFigureHeight},
                                          {kFlakeStripWidth, kFlakeSize},
                                          {kFlakeStripWidth, kFlakeSize}};
  static DecodedSprite decoded[kSpriteCount];
  for (int k = 0; k < kSpriteCount; ++k) {
    if (!DecodeSpriteResource(resources[k].data, resources[k].size, &decoded[k]) ||
        decoded[k].width != sizes[k][0] || decoded[k].height != sizes[k][1]) {
      return false;
    }
  }
  BuildScenePalette(resources[0].data, resources[0].size, &sprites->palette);

  PixelBuffer32 rgb[kSpriteCount];
  PixelBuffer8 indexed[kSpriteCount];
  int32_t offset = 0;
  for (int k = 0; k < kSpriteCount; ++k) {
    const DecodedSprite& s = decoded[k];
    uint32_t* rgbPixels = sprites->rgbStore + offset;
    uint8_t* indexPixels = sprites->indexStore + offset;
    ConvertSpriteToRgb32(s, rgbPixels, s.width);
    ConvertSpriteToPaletteIndices(s, sprites->palette, indexPixels, s.width);
    rgb[k] = PixelBuffer32{rgbPixels, s.width, s.height, s.width};
    indexed[k] = PixelBuffer8{indexPixels, s.width, s.height, s.width};
    offset += s.width * s.height;
  }
  sprites->rgb = SpriteSet<uint32_t>{rgb[0], rgb[1], rgb[2], rgb[3]};
  sprites->indexed = SpriteSet<uint8_t>{indexed[0], indexed[1], indexed[2], indexed[3]};
  sprites->loaded = true;
  return true;
}

bool LoadSaverSprites() {
  SpriteResource resources[kSpriteCount];
  for (int k = 0; k < kSpriteCount; ++k) {
    resources[k] = SpriteResource{kEmbeddedSprites[k].data, kEmbeddedSprites[k].size};
  }
  return DecodeSaverSprites(resources, &saverSprites);
}
