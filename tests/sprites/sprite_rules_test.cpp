// The rules that every committed sprite file keeps, checked on the files in
// resources/ so that new art cannot break them silently: the header, the
// colour tables, the RLE8 stream's structure, the mask convention, the
// figure's margins and palette layout, the flake strip's colours, the icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "render/sprite_decode.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes ReadResourceFile(const char* name) {
  const char* root = std::getenv("NAVANAVA_SOURCE_DIR");
  std::string path = std::string(root ? root : ".") + "/resources/" + name;
  Bytes bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

uint32_t Read32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct SpriteFile {
  const char* resource;
  const char* file;
  int32_t width, height;
  int32_t pelsPerMeter;
  bool endOfLineAfterLastRow;
};

const SpriteFile kSprites[4] = {
    {"NAVA", "nava.bmp", 256, 148, 2834, false},
    {"NAVA_M", "nava_m.bmp", 256, 148, 0, true},
    {"ICE", "ice.bmp", 128, 32, 2834, false},
    {"ICE_M", "ice_m.bmp", 128, 32, 2834, false},
};
enum { kFigure, kFigureMask, kFlakes, kFlakeMask };

// The reserved colours of a 256-colour system palette at entries 0..7 and
// 247..255.
const uint32_t kReservedLow[8] = {0x000000, 0x800000, 0x008000, 0x808000,
                                  0x000080, 0x800080, 0x008080, 0xC0C0C0};
const uint32_t kReservedHigh[9] = {0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

class SpriteRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (int i = 0; i < 4; ++i) {
      Bytes file = ReadResourceFile(kSprites[i].file);
      // A .bmp file is the resource behind a 14-byte file header.
      if (file.size() > 14) packed_[i].assign(file.begin() + 14, file.end());
      fileHeaderOk_[i] = file.size() > 14 && file[0] == 'B' && file[1] == 'M' &&
                         Read32(file, 2) == file.size() && Read32(file, 10) == 14 + 1064;
      decoded_[i] = DecodeSpriteResource(packed_[i].data(), packed_[i].size(), &sprites_[i]);
    }
  }
  static Bytes packed_[4];
  static bool fileHeaderOk_[4];
  static bool decoded_[4];
  static DecodedSprite sprites_[4];
};
Bytes SpriteRules::packed_[4];
bool SpriteRules::fileHeaderOk_[4];
bool SpriteRules::decoded_[4];
DecodedSprite SpriteRules::sprites_[4];

TEST_F(SpriteRules, HeadersAndTablesOfAllFour) {
  for (int i = 0; i < 4; ++i) {
    const SpriteFile& f = kSprites[i];
    SCOPED_TRACE(f.resource);
    ASSERT_TRUE(fileHeaderOk_[i]) << "bad or missing file " << f.file;
    ASSERT_TRUE(decoded_[i]);
    PackedDibHeader h;
    ASSERT_TRUE(ParsePackedDib(packed_[i].data(), packed_[i].size(), &h));
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, f.width);
    EXPECT_EQ(h.height, f.height);  // positive: bottom row first
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 8);
    EXPECT_EQ(h.compression, kBiRle8);
    EXPECT_EQ(h.sizeImage, packed_[i].size() - kSpritePixelOffset);  // pixels at byte 1064
    EXPECT_EQ(h.xPelsPerMeter, f.pelsPerMeter);
    EXPECT_EQ(h.yPelsPerMeter, f.pelsPerMeter);
    EXPECT_EQ(h.clrUsed, 0u);  // the full 256-entry table
    EXPECT_EQ(h.clrImportant, 0u);
    for (int e = 0; e < 256; ++e) ASSERT_EQ(packed_[i][40 + 4 * e + 3], 0) << "entry " << e;
    EXPECT_EQ(sprites_[i].colours[0], 0x000000u);
    EXPECT_EQ(sprites_[i].colours[255], 0xFFFFFFu);
  }
}

TEST_F(SpriteRules, StreamsAreWholeRowsOfRunsWithoutDeltas) {
  for (int i = 0; i < 4; ++i) {
    const SpriteFile& f = kSprites[i];
    SCOPED_TRACE(f.resource);
    ASSERT_TRUE(decoded_[i]);
    const Rle8Census& c = sprites_[i].census;
    EXPECT_EQ(c.end, Rle8End::kEndOfBitmap);
    EXPECT_EQ(c.bytesUsed, packed_[i].size() - kSpritePixelOffset)
        << "the end-of-bitmap code must close the stream exactly at biSizeImage";
    EXPECT_EQ(c.deltas, 0u);
    EXPECT_GT(c.encodedRuns, 0u);
    // Every pixel exactly once: rows neither short nor overlong.
    EXPECT_EQ(c.pixelsWritten, static_cast<uint32_t>(f.width * f.height));
    EXPECT_EQ(c.pixelsClipped, 0u);
    EXPECT_EQ(c.shortRows, 0u);
    EXPECT_EQ(c.endOfLines, static_cast<uint32_t>(f.height - (f.endOfLineAfterLastRow ? 0 : 1)));
    EXPECT_EQ(c.endOfLineLast, f.endOfLineAfterLastRow);
  }
  // The pictures themselves have stretches without repeats.
  EXPECT_GT(sprites_[kFigure].census.absoluteRuns, 0u);
  EXPECT_GT(sprites_[kFlakes].census.absoluteRuns, 0u);
}

TEST_F(SpriteRules, MasksAreBlackAndWhiteAndAgreeWithTheirSprites) {
  const int pairs[2][2] = {{kFigure, kFigureMask}, {kFlakes, kFlakeMask}};
  for (const auto& pair : pairs) {
    const DecodedSprite& image = sprites_[pair[0]];
    const DecodedSprite& mask = sprites_[pair[1]];
    SCOPED_TRACE(kSprites[pair[1]].resource);
    ASSERT_TRUE(decoded_[pair[0]] && decoded_[pair[1]]);
    int opaque = 0;
    for (size_t p = 0; p < mask.indices.size(); ++p) {
      int x = static_cast<int>(p % mask.width), y = static_cast<int>(p / mask.width);
      uint8_t m = mask.indices[p];
      ASSERT_TRUE(m == 0 || m == 255) << "mask index " << int(m) << " at " << x << "," << y;
      if (m == 255)
        ASSERT_EQ(image.indices[p], 0) << "transparent pixel not black at " << x << "," << y;
      else
        ++opaque;
    }
    EXPECT_GT(opaque, 0);
  }
}

TEST_F(SpriteRules, FigureStaysInsideItsMargins) {
  const DecodedSprite& mask = sprites_[kFigureMask];
  ASSERT_TRUE(decoded_[kFigureMask]);
  int left = 256, right = -1, top = 148, bottom = -1;
  for (int y = 0; y < 148; ++y)
    for (int x = 0; x < 256; ++x)
      if (mask.indices[y * 256 + x] == 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(left, 2);
  EXPECT_LE(right, 253);
  EXPECT_GE(top, 2);
  EXPECT_LE(bottom, 146);
}

TEST_F(SpriteRules, FigureTableLayout) {
  const DecodedSprite& figure = sprites_[kFigure];
  ASSERT_TRUE(decoded_[kFigure]);
  for (int e = 0; e < 8; ++e) EXPECT_EQ(figure.colours[e], kReservedLow[e]) << "entry " << e;
  for (int e = 0; e < 9; ++e)
    EXPECT_EQ(figure.colours[247 + e], kReservedHigh[e]) << "entry " << 247 + e;
  for (int e = 118; e <= 245; ++e) EXPECT_EQ(figure.colours[e], 0u) << "entry " << e;
  std::set<uint32_t> distinct(figure.colours, figure.colours + 256);
  EXPECT_EQ(distinct.size(), 128u);  // so the figure's 111 colours are its own
  for (uint8_t index : figure.indices) ASSERT_TRUE(index < 118 || index > 245) << int(index);
  std::set<uint8_t> used(figure.indices.begin(), figure.indices.end());
  EXPECT_GE(used.size(), 90u) << "the figure is drawn in about a hundred colours";
}

TEST_F(SpriteRules, FlakeStripUsesSixEntriesThreeOfThemNewColours) {
  const DecodedSprite& flakes = sprites_[kFlakes];
  ASSERT_TRUE(decoded_[kFlakes] && decoded_[kFigure]);
  std::set<uint8_t> used(flakes.indices.begin(), flakes.indices.end());
  ASSERT_EQ(used.size(), 6u);
  EXPECT_TRUE(used.count(0) && used.count(255));
  std::set<uint32_t> figureColours(sprites_[kFigure].colours, sprites_[kFigure].colours + 256);
  std::set<uint32_t> others;
  int absent = 0;
  for (uint8_t e : used) {
    if (e == 0 || e == 255) continue;
    uint32_t c = flakes.colours[e];
    EXPECT_TRUE(c != 0 && c != 0xFFFFFF) << "entry " << int(e);
    others.insert(c);
    if (!figureColours.count(c)) ++absent;
  }
  EXPECT_EQ(others.size(), 4u);
  EXPECT_EQ(absent, 3);
  // Every cell shows a flake.
  for (int cell = 0; cell < 4; ++cell) {
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) opaque += flakes.indices[y * 128 + cell * 32 + x] != 0;
    EXPECT_GT(opaque, 50) << "cell " << cell;
  }
}

TEST(IconRules, OneImage32By32In16Colours) {
  Bytes ico = ReadResourceFile("navanava.ico");
  ASSERT_GE(ico.size(), 22u);
  EXPECT_EQ(ico[0] | ico[1] << 8, 0);
  EXPECT_EQ(ico[2] | ico[3] << 8, 1);  // an icon
  ASSERT_EQ(ico[4] | ico[5] << 8, 1);  // one image
  EXPECT_EQ(ico[6], 32);
  EXPECT_EQ(ico[7], 32);
  EXPECT_EQ(ico[8], 16);
  uint32_t bytes = Read32(ico, 14), offset = Read32(ico, 18);
  ASSERT_EQ(offset + bytes, ico.size());
  PackedDibHeader h;
  Bytes image(ico.begin() + offset, ico.end());
  ASSERT_TRUE(ParsePackedDib(image.data(), image.size(), &h));
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, 32);
  EXPECT_EQ(h.height, 64);  // colour bitmap and mask
  EXPECT_EQ(h.bitCount, 4);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(bytes, 40u + 16 * 4 + 32 * 16 + 32 * 4);
}

}  // namespace
