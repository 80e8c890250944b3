// Decoding of BI_RLE8 sprite resources, the scene palette and the nearest
// colour, on small hand-made streams whose every pixel is known.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/sprite_decode.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Indices as text, top row first, one character per pixel ('0'..'9', 'a'..),
// rows separated by '/'.
std::string Picture(const std::vector<uint8_t>& indices, int width) {
  std::string s;
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i && i % width == 0) s += '/';
    int v = indices[i];
    s += static_cast<char>(v < 10 ? '0' + v : v < 36 ? 'a' + v - 10 : '#');
  }
  return s;
}

struct StreamCase {
  const char* what;
  Bytes stream;
  int width, height;
  const char* picture;  // after decoding into zeros
  Rle8End end;
};

const StreamCase kStreamCases[] = {
    {"encoded and absolute runs, rows bottom first",
     {3, 1, 0, 0, 0, 3, 4, 5, 6, 0, 0, 1}, 3, 2, "456/111", Rle8End::kEndOfBitmap},
    {"an even absolute run has no pad byte",
     {0, 4, 1, 2, 3, 4, 0, 1}, 4, 1, "1234", Rle8End::kEndOfBitmap},
    {"a run past the row's end is cut; the next row starts clean",
     {5, 7, 0, 0, 2, 8, 0, 1}, 3, 2, "880/777", Rle8End::kEndOfBitmap},
    {"an absolute run past the row's end is cut",
     {1, 2, 0, 3, 9, 9, 9, 0, 0, 1}, 3, 1, "299", Rle8End::kEndOfBitmap},
    {"a short row leaves the rest untouched",
     {1, 5, 0, 0, 3, 6, 0, 1}, 3, 2, "666/500", Rle8End::kEndOfBitmap},
    {"rows past the last one are ignored",
     {2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 0, 1}, 2, 2, "22/11", Rle8End::kImageFull},
    {"an absolute run past the last row is ignored",
     {2, 1, 0, 0, 0, 3, 4, 4, 4, 0}, 2, 1, "11", Rle8End::kImageFull},
    {"a delta moves right and up",
     {1, 1, 0, 2, 1, 1, 1, 2, 0, 1}, 3, 2, "002/100", Rle8End::kEndOfBitmap},
    {"a delta far past the image leaves it untouched",
     {0, 2, 255, 255, 1, 3, 0, 1}, 2, 2, "00/00", Rle8End::kImageFull},
    {"a delta past the row's end clips the following run",
     {0, 2, 200, 0, 3, 3, 0, 0, 1, 4, 0, 1}, 2, 2, "40/00", Rle8End::kEndOfBitmap},
    {"no end-of-bitmap code", {2, 1}, 2, 1, "11", Rle8End::kTruncated},
    {"cut inside a code", {2, 1, 0}, 2, 1, "11", Rle8End::kTruncated},
    {"cut inside a delta", {0, 2, 1}, 2, 1, "00", Rle8End::kTruncated},
    {"cut inside an absolute run: what is there is drawn",
     {0, 5, 1, 2}, 5, 1, "12000", Rle8End::kTruncated},
    {"cut before an absolute run's pad byte",
     {0, 3, 1, 2, 3}, 3, 1, "123", Rle8End::kTruncated},
    {"empty stream", {}, 1, 1, "0", Rle8End::kTruncated},
};

TEST(DecodeRle8, DecodesEveryCodeAndStopsSafely) {
  for (const StreamCase& c : kStreamCases) {
    // The image sits between guard bytes that must survive.
    std::vector<uint8_t> buffer(c.width * c.height + 64, 0xEE);
    std::fill(buffer.begin() + 32, buffer.begin() + 32 + c.width * c.height, 0);
    Rle8Census census;
    Rle8End end = DecodeRle8(c.stream.data(), c.stream.size(), c.width, c.height,
                             buffer.data() + 32, &census);
    std::vector<uint8_t> image(buffer.begin() + 32, buffer.begin() + 32 + c.width * c.height);
    EXPECT_EQ(Picture(image, c.width), c.picture) << c.what;
    EXPECT_EQ(end, c.end) << c.what;
    EXPECT_EQ(census.end, c.end) << c.what;
    EXPECT_LE(census.bytesUsed, c.stream.size()) << c.what;
    for (int i = 0; i < 32; ++i) {
      ASSERT_EQ(buffer[i], 0xEE) << c.what;
      ASSERT_EQ(buffer[buffer.size() - 1 - i], 0xEE) << c.what;
    }
  }
}

TEST(DecodeRle8, CountsTheStreamsParts) {
  // 3 x 2: a row of an encoded and an absolute run, end of line, a row with
  // an overlong run, end of line after the last row, end of bitmap.
  Bytes stream = {1, 1, 0, 3, 2, 3, 4, 0, 0, 0, 4, 5, 0, 0, 0, 1, 99, 99};
  std::vector<uint8_t> image(6);
  Rle8Census c;
  ASSERT_EQ(DecodeRle8(stream.data(), stream.size(), 3, 2, image.data(), &c),
            Rle8End::kEndOfBitmap);
  EXPECT_EQ(c.encodedRuns, 2u);
  EXPECT_EQ(c.absoluteRuns, 1u);
  EXPECT_EQ(c.endOfLines, 2u);
  EXPECT_EQ(c.deltas, 0u);
  EXPECT_EQ(c.shortRows, 0u);
  EXPECT_EQ(c.pixelsWritten, 6u);  // one pixel of each row fell past its end
  EXPECT_EQ(c.pixelsClipped, 2u);
  EXPECT_TRUE(c.endOfLineLast);
  EXPECT_EQ(c.bytesUsed, 16u);  // the two bytes after the end code are not read
  EXPECT_EQ(Picture(image, 3), "555/123");
}

TEST(DecodeRle8, NothingForAnEmptyImage) {
  Bytes stream = {4, 4, 0, 1};
  uint8_t guard = 0xEE;
  EXPECT_EQ(DecodeRle8(stream.data(), stream.size(), 0, 5, &guard, nullptr), Rle8End::kTruncated);
  EXPECT_EQ(DecodeRle8(stream.data(), stream.size(), 5, -1, &guard, nullptr), Rle8End::kTruncated);
  EXPECT_EQ(guard, 0xEE);
}

// A packed DIB: header, a table whose entry i is (i, 255 - i, i / 2) unless
// given, and the stream at byte 1064.
Bytes PackedDib(int32_t width, int32_t height, const Bytes& stream, uint16_t bitCount = 8,
                uint32_t compression = 1, uint32_t clrUsed = 0, int tableEntries = 256) {
  Bytes b(40, 0);
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  b[12] = 1;
  b[14] = bitCount & 0xFF;
  b[15] = bitCount >> 8;
  put32(16, compression);
  put32(20, static_cast<uint32_t>(stream.size()));
  put32(24, 2834);
  put32(28, 2834);
  put32(32, clrUsed);
  for (int i = 0; i < tableEntries; ++i) {
    b.push_back(static_cast<uint8_t>(i / 2));        // blue
    b.push_back(static_cast<uint8_t>(255 - i));      // green
    b.push_back(static_cast<uint8_t>(i));            // red
    b.push_back(0);
  }
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

uint32_t TableColour(int i) {
  return static_cast<uint32_t>(i) << 16 | static_cast<uint32_t>(255 - i) << 8 |
         static_cast<uint32_t>(i / 2);
}

TEST(DecodeSpriteResource, ReadsHeaderTableAndStream) {
  Bytes dib = PackedDib(2, 2, {2, 7, 0, 0, 1, 9, 1, 200, 0, 1});
  DecodedSprite s;
  ASSERT_TRUE(DecodeSpriteResource(dib.data(), dib.size(), &s));
  EXPECT_EQ(s.width, 2);
  EXPECT_EQ(s.height, 2);
  EXPECT_EQ(s.colourCount, 256u);
  EXPECT_EQ(s.colours[200], TableColour(200));
  EXPECT_EQ(Picture(s.indices, 2), "9#/77");  // 200 prints as '#'
  EXPECT_EQ(s.indices[1], 200);
  EXPECT_EQ(s.census.end, Rle8End::kEndOfBitmap);

  uint32_t rgb[4];
  ConvertSpriteToRgb32(s, rgb, 2);
  EXPECT_EQ(rgb[0], TableColour(9));
  EXPECT_EQ(rgb[1], TableColour(200));
  EXPECT_EQ(rgb[3], TableColour(7));
  // In memory a pixel is blue, green, red, zero, as a 32-bit DIB stores it.
  uint8_t bytes[4];
  std::memcpy(bytes, &rgb[1], 4);
  EXPECT_EQ(bytes[0], 100);
  EXPECT_EQ(bytes[1], 55);
  EXPECT_EQ(bytes[2], 200);
  EXPECT_EQ(bytes[3], 0);
}

TEST(DecodeSpriteResource, StreamEndsAtSizeImage) {
  Bytes dib = PackedDib(2, 1, {1, 3, 0, 1});
  dib[20] = 2;  // biSizeImage: only the first code
  dib.insert(dib.end() - 2, {1, 4});  // bytes behind it are not part of the stream
  DecodedSprite s;
  ASSERT_TRUE(DecodeSpriteResource(dib.data(), dib.size(), &s));
  EXPECT_EQ(Picture(s.indices, 2), "30");
  EXPECT_EQ(s.census.end, Rle8End::kTruncated);
}

TEST(DecodeSpriteResource, RefusesWhatItCannotDecode) {
  Bytes good = PackedDib(2, 1, {2, 1, 0, 1});
  struct Case {
    const char* what;
    Bytes data;
  };
  Bytes wrongSize = good;
  wrongSize[0] = 12;
  Case cases[] = {
      {"no header", Bytes(good.begin(), good.begin() + 39)},
      {"header size not 40", wrongSize},
      {"4 bits per pixel", PackedDib(2, 1, {2, 1, 0, 1}, 4)},
      {"not run-length encoded", PackedDib(2, 1, {2, 1, 0, 1}, 8, 0)},
      {"zero width", PackedDib(0, 1, {0, 1})},
      {"negative height", PackedDib(2, -1, {0, 1})},
      {"absurd size", PackedDib(65535, 65535, {0, 1})},
      {"table cut short", Bytes(good.begin(), good.begin() + 1063)},
  };
  for (const Case& c : cases) {
    DecodedSprite s;
    EXPECT_FALSE(DecodeSpriteResource(c.data.data(), c.data.size(), &s)) << c.what;
  }
  DecodedSprite s;
  EXPECT_FALSE(DecodeSpriteResource(nullptr, 0, &s));
}

TEST(DecodeSpriteResource, IndicesBeyondAShortTableShowBlack) {
  Bytes dib = PackedDib(3, 1, {1, 1, 1, 2, 1, 3, 0, 1}, 8, 1, 3);
  DecodedSprite s;
  ASSERT_TRUE(DecodeSpriteResource(dib.data(), dib.size(), &s));
  EXPECT_EQ(s.colourCount, 3u);
  uint32_t rgb[3];
  ConvertSpriteToRgb32(s, rgb, 3);
  EXPECT_EQ(rgb[0], TableColour(1));
  EXPECT_EQ(rgb[1], TableColour(2));
  EXPECT_EQ(rgb[2], 0u);
}

TEST(BuildScenePalette, EntryCountFromClrUsedElseBitCount) {
  struct Case {
    uint16_t bitCount;
    uint32_t clrUsed;
    int tableEntries;
    uint32_t expected;
  } cases[] = {
      {8, 0, 256, 256},     {4, 0, 256, 16},      {1, 0, 256, 2},
      {24, 0, 256, 0},      {8, 5, 256, 5},       {4, 200, 256, 200},
      {8, 0x10005, 256, 5},  // only the low 16 bits count
      {8, 0x10000, 256, 256},  // low half 0: from the bit count
      {8, 300, 256, 256},   // a palette holds at most 256 entries
      {8, 0, 10, 10},       // never read past the data's end
      {8, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Bytes dib = PackedDib(1, 1, {}, c.bitCount, 1, c.clrUsed, c.tableEntries);
    ScenePaletteEntries p;
    BuildScenePalette(dib.data(), dib.size(), &p);
    EXPECT_EQ(p.count, c.expected) << c.bitCount << " bits, biClrUsed " << c.clrUsed;
    for (uint32_t i = 0; i < p.count; ++i) ASSERT_EQ(p.colours[i], TableColour(i));
  }
  ScenePaletteEntries p;
  p.count = 7;
  BuildScenePalette(nullptr, 0, &p);
  EXPECT_EQ(p.count, 0u);
}

TEST(NearestPaletteIndex, LeastSquaredDistanceLowestIndexOnTies) {
  ScenePaletteEntries p;
  p.count = 6;
  p.colours[0] = 0x000000;
  p.colours[1] = 0x000000;  // a duplicate is never chosen over entry 0
  p.colours[2] = 0x646464;  // (100,100,100)
  p.colours[3] = 0xC80000;  // (200,0,0)
  p.colours[4] = 0x50A050;  // (80,160,80)
  p.colours[5] = 0xFFFFFF;
  struct Case {
    uint32_t rgb;
    int expected;
  } cases[] = {
      {0x000000, 0}, {0x010101, 0}, {0xFFFFFF, 5}, {0x646464, 2},
      // (150,0,0): 150^2 = 22500 to black, 50^2 = 2500 to red
      {0x960000, 3},
      // (130,130,40): 5400 to entry 2, 5000 to entry 4
      {0x828228, 4},
      // (50,50,50): 7500 to black, 7500 to grey: the lower index
      {0x323232, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestPaletteIndex(p, c.rgb), c.expected) << std::hex << c.rgb;

  // Squared distance, not the sum of differences: from black, (60,60,0) is
  // 7200 away and (0,0,100) 10000, though their sums are 120 and 100.
  ScenePaletteEntries q;
  q.count = 2;
  q.colours[0] = 0x00000064;
  q.colours[1] = 0x003C3C00;
  EXPECT_EQ(NearestPaletteIndex(q, 0x000000), 1);
  ScenePaletteEntries empty;
  EXPECT_EQ(NearestPaletteIndex(empty, 0x123456), 0);
}

TEST(ConvertSpriteToPaletteIndices, EachPixelTakesTheNearestEntry) {
  Bytes dib = PackedDib(3, 1, {1, 0, 1, 128, 1, 255, 0, 1});
  DecodedSprite s;
  ASSERT_TRUE(DecodeSpriteResource(dib.data(), dib.size(), &s));
  ScenePaletteEntries p;
  p.count = 3;
  p.colours[0] = TableColour(0);
  p.colours[1] = 0xFF0000;
  p.colours[2] = TableColour(130);
  uint8_t out[2 * 4];
  std::memset(out, 0xEE, sizeof out);
  ConvertSpriteToPaletteIndices(s, p, out, 4);  // stride wider than the sprite
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[3], 0xEE);
}

}  // namespace
