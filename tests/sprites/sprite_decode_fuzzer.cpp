// Any bytes as a sprite resource, and any bytes as the stream of a small
// image: decoding, palette building and both conversions must stay within
// their buffers. The first byte picks the mode, so that streams get deep
// coverage even without a seed corpus.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/sprite_decode.h"

namespace {

void CheckResource(const uint8_t* data, size_t size) {
  ScenePaletteEntries palette;
  BuildScenePalette(data, size, &palette);
  if (palette.count > 256) __builtin_trap();
  // Huge pictures only repeat the same arithmetic more slowly: keep the
  // fuzzer fast by leaving them to the unit tests.
  PackedDibHeader header;
  if (ParsePackedDib(data, size, &header) &&
      static_cast<int64_t>(header.width) * header.height > (int64_t{1} << 13))
    return;
  static DecodedSprite sprite;
  if (!DecodeSpriteResource(data, size, &sprite)) return;
  std::vector<uint32_t> rgb(sprite.indices.size());
  ConvertSpriteToRgb32(sprite, rgb.data(), sprite.width);
  std::vector<uint8_t> eight(sprite.indices.size());
  ConvertSpriteToPaletteIndices(sprite, palette, eight.data(), sprite.width);
  for (uint8_t v : eight)
    if (palette.count != 0 && v >= palette.count) __builtin_trap();
}

// The stream behind a valid header of width 1..64 and height 1..64.
void CheckStream(const uint8_t* data, size_t size) {
  if (size < 2) return;
  int32_t width = 1 + data[0] % 64, height = 1 + data[1] % 64;
  std::vector<uint8_t> image(static_cast<size_t>(width) * height);
  Rle8Census census;
  DecodeRle8(data + 2, size - 2, width, height, image.data(), &census);
  if (census.bytesUsed > size - 2) __builtin_trap();
  if (census.pixelsWritten > image.size()) __builtin_trap();  // each pixel at most once
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1)
    CheckStream(data + 1, size - 1);
  else
    CheckResource(data + 1, size - 1);
  return 0;
}
