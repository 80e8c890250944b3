#pragma once
// The sprite art generator: draws the figure, the flake strip and the icon
// procedurally and writes them in the formats the saver's resources use.
#include <cstdint>
#include <string>
#include <vector>

namespace art {

// An 8-bit indexed picture with its 256-entry colour table (0x00RRGGBB).
// Rows are kept top row first; the writers store them bottom row first.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height table indices
  uint32_t table[256] = {};
  uint8_t& At(int x, int y) { return pixels[y * width + x]; }
  uint8_t At(int x, int y) const { return pixels[y * width + x]; }
};

IndexedImage MakeImage(int width, int height);

// A packed DIB (40-byte header, full colour table, BI_RLE8 pixels at byte
// 1064) with end-of-line codes between rows, after the last row too when
// asked, and a closing end-of-bitmap code.
std::vector<uint8_t> EncodePackedRle8(const IndexedImage& image, int pelsPerMeter,
                                      bool endOfLineAfterLastRow);

// The same behind a 14-byte BITMAPFILEHEADER, as a .bmp file holds it; the
// resource compiler strips that header again.
std::vector<uint8_t> WithFileHeader(const std::vector<uint8_t>& packed);

// A one-image .ico file: 32 x 32, 4 bits per pixel with a 16-entry table.
// `opaque` holds 1 where the icon shows its pixel.
std::vector<uint8_t> EncodeIcon16(const uint8_t indices[32 * 32], const uint8_t opaque[32 * 32],
                                  const uint32_t table[16]);

// The four sprites and the icon.
struct ArtSet {
  IndexedImage figure, figureMask, flakeStrip, flakeMaskStrip;
  uint8_t iconIndices[32 * 32];
  uint8_t iconOpaque[32 * 32];
  uint32_t iconTable[16];
};

// Draws everything; returns false (and says why on stderr) if a drawing broke
// one of the sprite rules, so that no rule-breaking file is written.
bool DrawArt(ArtSet& set);

// The file names and bytes of the generated resources.
struct ArtFile {
  std::string name;
  std::vector<uint8_t> bytes;
};
std::vector<ArtFile> EncodeArt(const ArtSet& set);

// Drawing parts, each in its own file.
void DrawFigure(IndexedImage& figure, IndexedImage& mask);
void DrawFlakeStrip(const IndexedImage& figure, IndexedImage& strip, IndexedImage& mask);
void DrawIcon(uint8_t indices[32 * 32], uint8_t opaque[32 * 32], uint32_t table[16]);

}  // namespace art
