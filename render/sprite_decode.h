#pragma once
// The sprite resources without the window system: a packed device-independent
// bitmap (40-byte header, 256-entry colour table, BI_RLE8 pixels at byte
// 1064), decoded into table indices, then into 32-bit pixels or into indices
// of the nearest scene palette colour, as a 256-colour display shows them.
// Every function here is safe on any bytes: it never reads outside the given
// data nor writes outside the given output.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kDibHeaderSize = 40;
constexpr size_t kSpritePixelOffset = 1064;  // 40 + 256 * 4, fixed by the loader
constexpr uint32_t kBiRle8 = 1;
// Larger pictures are refused rather than decoded (the sprites are far smaller).
constexpr int64_t kMaxSpritePixels = int64_t{1} << 24;

struct PackedDibHeader {
  uint32_t size;  // biSize
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};

// Reads the header fields from the first 40 bytes; false when there are fewer.
bool ParsePackedDib(const uint8_t* data, size_t size, PackedDibHeader* header);

// How a BI_RLE8 stream ended.
enum class Rle8End {
  kEndOfBitmap,  // at its end-of-bitmap code
  kImageFull,    // a code wanted a row past the last one; the rest is ignored
  kTruncated,    // the data ran out first (also inside a code)
};

// What a stream is made of; the rule test reads the sprites' structure here.
struct Rle8Census {
  uint32_t encodedRuns = 0;
  uint32_t absoluteRuns = 0;
  uint32_t endOfLines = 0;
  uint32_t deltas = 0;
  uint32_t shortRows = 0;       // end-of-line codes before the row was full
  uint32_t pixelsWritten = 0;   // pixels that landed inside the image
  uint32_t pixelsClipped = 0;   // pixels of runs that reached past the row's end
  bool endOfLineLast = false;   // the code before the end-of-bitmap was an end-of-line
  size_t bytesUsed = 0;         // stream bytes read, up to the end code inclusive
  Rle8End end = Rle8End::kTruncated;
};

// Decodes a BI_RLE8 stream into width x height table indices, top row first
// (the stream's first row is the image's bottom row). `indices` must hold
// width * height bytes; pixels that no code reaches keep their value (callers
// start from 0). Pixels of a run that reach past the row's end are dropped:
// a row never spills into the next. A delta code moves right and up as the
// format says and may also leave pixels untouched. Within an absolute run the
// pad byte after an odd count is skipped. `census` may be null. Width and
// height below 1 decode nothing.
Rle8End DecodeRle8(const uint8_t* stream, size_t streamSize, int32_t width, int32_t height,
                   uint8_t* indices, Rle8Census* census);

// A sprite resource decoded: its size, its own colour table and its indices.
struct DecodedSprite {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t colours[256] = {};   // 0x00RRGGBB, from the table at byte 40
  uint32_t colourCount = 0;     // biClrUsed when 1..256, else 256
  std::vector<uint8_t> indices;  // width * height, top row first
  Rle8Census census;
};

// Decodes a whole sprite resource. False, with nothing decoded, unless the
// data holds the 40-byte header with biSize 40, 8 bits per pixel, BI_RLE8,
// positive width and height whose product is at most kMaxSpritePixels, and a
// whole 256-entry table. The stream is the data from byte 1064 on, limited to
// biSizeImage bytes when that is not 0.
bool DecodeSpriteResource(const uint8_t* data, size_t size, DecodedSprite* sprite);

// The colour of an index in the sprite's own table: indices beyond a shorter
// table (biClrUsed) show black.
uint32_t SpriteColour(const DecodedSprite& sprite, uint8_t index);

// The logical palette that the saver builds from the figure's resource.
struct ScenePaletteEntries {
  uint32_t count = 0;           // 0 .. 256
  uint32_t colours[256] = {};   // 0x00RRGGBB
};

// Entry count from the low 16 bits of biClrUsed; when those are 0, from
// biBitCount (8: 256, 4: 16, 1: 2, else none). Entries are read from byte 40
// on, duplicates included. A count above 256, or beyond the entries that the
// data holds, is cut to what fits: a palette has at most 256 entries, and a
// short resource is not read past its end. Data shorter than a header gives 0.
void BuildScenePalette(const uint8_t* data, size_t size, ScenePaletteEntries* palette);

// The palette entry nearest to a colour: least squared distance over red,
// green and blue, the lowest index among equals. 0 for an empty palette.
uint8_t NearestPaletteIndex(const ScenePaletteEntries& palette, uint32_t rgb);

// Conversions of a decoded sprite into a caller's buffer (top row first,
// `stride` elements from one row to the next, at least width * height
// covered): 32-bit pixels 0x00RRGGBB (bytes B, G, R, 0 as a 32-bit DIB holds
// them), or the nearest scene palette index of each pixel's colour.
void ConvertSpriteToRgb32(const DecodedSprite& sprite, uint32_t* pixels, int32_t stride);
void ConvertSpriteToPaletteIndices(const DecodedSprite& sprite, const ScenePaletteEntries& palette,
                                   uint8_t* pixels, int32_t stride);
