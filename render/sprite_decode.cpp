#include "render/sprite_decode.h"

namespace {

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A table entry is stored blue, green, red, zero.
uint32_t ReadTableColour(const uint8_t* p) {
  return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

}  // namespace

bool ParsePackedDib(const uint8_t* data, size_t size, PackedDibHeader* header) {
  if (data == nullptr || size < kDibHeaderSize) return false;
  header->size = Read32(data);
  header->width = static_cast<int32_t>(Read32(data + 4));
  header->height = static_cast<int32_t>(Read32(data + 8));
  header->planes = Read16(data + 12);
  header->bitCount = Read16(data + 14);
  header->compression = Read32(data + 16);
  header->sizeImage = Read32(data + 20);
  header->xPelsPerMeter = static_cast<int32_t>(Read32(data + 24));
  header->yPelsPerMeter = static_cast<int32_t>(Read32(data + 28));
  header->clrUsed = Read32(data + 32);
  header->clrImportant = Read32(data + 36);
  return true;
}

Rle8End DecodeRle8(const uint8_t* stream, size_t streamSize, int32_t width, int32_t height,
                   uint8_t* indices, Rle8Census* census) {
  Rle8Census local;
  Rle8Census& c = census ? *census : local;
  c = Rle8Census();
  if (width < 1 || height < 1) return c.end;

  // x counts pixels from the row's left; row counts stored rows, bottom first.
  // Both are kept in 64 bits so that delta codes cannot overflow them.
  int64_t x = 0, row = 0;
  size_t at = 0;
  bool lastWasEndOfLine = false;
  auto put = [&](uint8_t value) {
    if (x < width) {
      indices[static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width) +
              static_cast<size_t>(x)] = value;
      ++c.pixelsWritten;
    } else {
      ++c.pixelsClipped;
    }
    ++x;
  };
  auto finish = [&](Rle8End end) {
    c.bytesUsed = at;
    c.end = end;
    return end;
  };

  while (at + 2 <= streamSize) {
    uint8_t count = stream[at], value = stream[at + 1];
    at += 2;
    if (count > 0) {
      if (row >= height) return finish(Rle8End::kImageFull);
      ++c.encodedRuns;
      for (int i = 0; i < count; ++i) put(value);
      lastWasEndOfLine = false;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        if (x < width) ++c.shortRows;
        ++c.endOfLines;
        x = 0;
        ++row;
        lastWasEndOfLine = true;
        continue;
      case 1:  // end of bitmap
        c.endOfLineLast = lastWasEndOfLine;
        return finish(Rle8End::kEndOfBitmap);
      case 2: {  // delta: right, then up
        if (at + 2 > streamSize) {
          at = streamSize;
          return finish(Rle8End::kTruncated);
        }
        ++c.deltas;
        x += stream[at];
        row += stream[at + 1];
        at += 2;
        lastWasEndOfLine = false;
        continue;
      }
      default: {  // absolute run of `value` indices, padded to an even length
        if (row >= height) return finish(Rle8End::kImageFull);
        ++c.absoluteRuns;
        size_t available = streamSize - at;
        size_t n = value <= available ? value : available;
        for (size_t i = 0; i < n; ++i) put(stream[at + i]);
        if (n < value) {
          at = streamSize;
          return finish(Rle8End::kTruncated);
        }
        at += value + (value & 1);
        if (at > streamSize) {
          at = streamSize;
          return finish(Rle8End::kTruncated);
        }
        lastWasEndOfLine = false;
        continue;
      }
    }
  }
  at = streamSize;
  return finish(Rle8End::kTruncated);
}

bool DecodeSpriteResource(const uint8_t* data, size_t size, DecodedSprite* sprite) {
  PackedDibHeader h;
  if (!ParsePackedDib(data, size, &h)) return false;
  if (h.size != kDibHeaderSize || h.bitCount != 8 || h.compression != kBiRle8) return false;
  if (h.width < 1 || h.height < 1) return false;
  if (static_cast<int64_t>(h.width) * h.height > kMaxSpritePixels) return false;
  if (size < kSpritePixelOffset) return false;

  sprite->width = h.width;
  sprite->height = h.height;
  sprite->colourCount = h.clrUsed >= 1 && h.clrUsed <= 256 ? h.clrUsed : 256;
  for (int i = 0; i < 256; ++i) sprite->colours[i] = ReadTableColour(data + kDibHeaderSize + 4 * i);
  sprite->indices.assign(static_cast<size_t>(h.width) * static_cast<size_t>(h.height), 0);
  size_t streamSize = size - kSpritePixelOffset;
  if (h.sizeImage != 0 && h.sizeImage < streamSize) streamSize = h.sizeImage;
  DecodeRle8(data + kSpritePixelOffset, streamSize, h.width, h.height, sprite->indices.data(),
             &sprite->census);
  return true;
}

uint32_t SpriteColour(const DecodedSprite& sprite, uint8_t index) {
  return index < sprite.colourCount ? sprite.colours[index] : 0;
}

void BuildScenePalette(const uint8_t* data, size_t size, ScenePaletteEntries* palette) {
  *palette = ScenePaletteEntries();
  if (data == nullptr || size < kDibHeaderSize) return;
  uint32_t n = Read16(data + 32);
  if (n == 0) {
    switch (Read16(data + 14)) {
      case 8: n = 256; break;
      case 4: n = 16; break;
      case 1: n = 2; break;
      default: n = 0; break;
    }
  }
  if (n > 256) n = 256;
  size_t present = (size - kDibHeaderSize) / 4;
  if (n > present) n = static_cast<uint32_t>(present);
  palette->count = n;
  for (uint32_t i = 0; i < n; ++i)
    palette->colours[i] = ReadTableColour(data + kDibHeaderSize + 4 * i);
}

uint8_t NearestPaletteIndex(const ScenePaletteEntries& palette, uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  uint32_t best = 0, bestDistance = UINT32_MAX;
  for (uint32_t i = 0; i < palette.count && i < 256; ++i) {
    int dr = r - static_cast<int>((palette.colours[i] >> 16) & 0xFF);
    int dg = g - static_cast<int>((palette.colours[i] >> 8) & 0xFF);
    int db = b - static_cast<int>(palette.colours[i] & 0xFF);
    uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

void ConvertSpriteToRgb32(const DecodedSprite& sprite, uint32_t* pixels, int32_t stride) {
  for (int32_t y = 0; y < sprite.height; ++y)
    for (int32_t x = 0; x < sprite.width; ++x)
      pixels[static_cast<size_t>(y) * stride + x] =
          SpriteColour(sprite, sprite.indices[static_cast<size_t>(y) * sprite.width + x]);
}

void ConvertSpriteToPaletteIndices(const DecodedSprite& sprite, const ScenePaletteEntries& palette,
                                   uint8_t* pixels, int32_t stride) {
  // One search per table entry in use rather than per pixel.
  uint8_t nearest[256];
  bool known[256] = {};
  for (int32_t y = 0; y < sprite.height; ++y)
    for (int32_t x = 0; x < sprite.width; ++x) {
      uint8_t index = sprite.indices[static_cast<size_t>(y) * sprite.width + x];
      if (!known[index]) {
        nearest[index] = NearestPaletteIndex(palette, SpriteColour(sprite, index));
        known[index] = true;
      }
      pixels[static_cast<size_t>(y) * stride + x] = nearest[index];
    }
}
