#pragma once
// The sprites of the native program, decoded once from the built-in bitmaps:
// the scene palette from the figure's colour table, and the four sprites both
// as 0x00RRGGBB pixels (for true-colour windows) and as scene palette indices
// (for colormap windows, converted to the nearest palette colour as a
// 256-colour display converts them).
#include <cstdint>

#include "render/compose.h"
#include "render/sprite_decode.h"

struct SaverSprites {
  bool loaded;
  ScenePaletteEntries palette;
  SpriteSet<uint32_t> rgb;
  SpriteSet<uint8_t> indexed;
};

extern SaverSprites saverSprites;

// Decodes the built-in bitmaps into saverSprites. False when one of them does
// not decode to its expected size (a damaged build); nothing is drawn then.
bool LoadSaverSprites();
