#pragma once
// The four sprite bitmaps built into the native program, generated at build
// time from resources/*.bmp: packed device-independent bitmaps, byte for
// byte what the Windows program carries as its bitmap resources.
#include <cstddef>
#include <cstdint>

struct EmbeddedSprite {
  const char* name;  // the resource name: "NAVA", "NAVA_M", "ICE", "ICE_M"
  const uint8_t* data;
  size_t size;
};

constexpr int kEmbeddedSpriteCount = 4;  // as kSpriteCount
// In the order figure image, figure mask, flake strip, flake mask strip.
extern const EmbeddedSprite kEmbeddedSprites[kEmbeddedSpriteCount];
