#pragma once
// The four sprites of the programs that compose on plain pixel buffers,
// decoded once: the scene palette from the figure's colour table, and each
// sprite both as 0x00RRGGBB pixels (for true-colour screens) and as scene
// palette indices (for colormap screens, converted to the nearest palette
// colour as a 256-colour display converts them).
//
// The programs decode the bitmaps built into them (LoadSaverSprites); the
// tools and tests may decode other copies, for example damaged ones read
// from files (DecodeSaverSprites).
#include <cstddef>
#include <cstdint>

#include "render/compose.h"
#include "render/sprite_decode.h"

constexpr int kSpriteCount = 4;  // figure image, figure mask, flake strip, flake mask strip

// One sprite resource: a packed device-independent bitmap (a .bmp file
// without its 14-byte file header).
struct SpriteResource {
  const uint8_t* data;
  size_t size;
};

struct SaverSprites {
  bool loaded;
  ScenePaletteEntries palette;
  SpriteSet<uint32_t> rgb;
  SpriteSet<uint8_t> indexed;
  // The pixels behind rgb and indexed, in the order of the resources.
  uint32_t rgbStore[2 * kFigureWidth * kFigureHeight + 2 * kFlakeStripWidth * kFlakeSize];
  uint8_t indexStore[2 * kFigureWidth * kFigureHeight + 2 * kFlakeStripWidth * kFlakeSize];
};

extern SaverSprites saverSprites;

// Decodes the four resources (in the order of kSpriteCount's comment) into
// `sprites`. False, with `loaded` false, when one of them does not decode or
// has not its expected size.
bool DecodeSaverSprites(const SpriteResource resources[kSpriteCount], SaverSprites* sprites);

// Decodes the built-in bitmaps into saverSprites. False when one of them does
// not decode to its expected size (a damaged build); nothing is drawn then.
bool LoadSaverSprites();
