#pragma once
// The four sprite resources built into the page's module: the bitmap files
// of resources/, each without its 14-byte file header, so that each is the
// packed bitmap that the Windows program carries as a resource.
#include <cstddef>
#include <cstdint>

struct BuiltInSprite {
  const uint8_t* data;
  size_t size;
};

// Figure image, figure mask, flake strip, flake mask strip.
extern const BuiltInSprite kBuiltInSprites[4];
