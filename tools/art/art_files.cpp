// Byte formats of the generated resources: the packed RLE8 DIB and the .ico.
#include <cstring>

#include "tools/art/art.h"

namespace art {
namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bitCount,
                   uint32_t compression, uint32_t sizeImage, int pelsPerMeter) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bitCount);
  Put32(out, compression);
  Put32(out, sizeImage);
  Put32(out, static_cast<uint32_t>(pelsPerMeter));
  Put32(out, static_cast<uint32_t>(pelsPerMeter));
  Put32(out, 0);  // biClrUsed: the full table
  Put32(out, 0);
}

void PutColour(std::vector<uint8_t>& out, uint32_t rgb) {
  out.push_back(rgb & 0xFF);
  out.push_back((rgb >> 8) & 0xFF);
  out.push_back((rgb >> 16) & 0xFF);
  out.push_back(0);
}

int RunLength(const uint8_t* row, int from, int width) {
  int n = 1;
  while (from + n < width && n < 255 && row[from + n] == row[from]) ++n;
  return n;
}

// One row: repeats of two or more become encoded runs; stretches of at least
// three pixels without such repeats become absolute runs (padded to a 16-bit
// boundary); a leftover one or two pixels become encoded runs of one.
void EncodeRow(std::vector<uint8_t>& out, const uint8_t* row, int width) {
  int x = 0;
  while (x < width) {
    int run = RunLength(row, x, width);
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(row[x]);
      x += run;
      continue;
    }
    int end = x + 1;
    while (end < width && end - x < 255 && RunLength(row, end, width) < 2) ++end;
    int literal = end - x;
    if (literal >= 3) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(literal));
      out.insert(out.end(), row + x, row + end);
      if (literal & 1) out.push_back(0);
    } else {
      for (int i = x; i < end; ++i) {
        out.push_back(1);
        out.push_back(row[i]);
      }
    }
    x = end;
  }
}

}  // namespace

IndexedImage MakeImage(int width, int height) {
  IndexedImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height, 0);
  return image;
}

std::vector<uint8_t> EncodePackedRle8(const IndexedImage& image, int pelsPerMeter,
                                      bool endOfLineAfterLastRow) {
  std::vector<uint8_t> stream;
  for (int stored = 0; stored < image.height; ++stored) {
    int y = image.height - 1 - stored;  // bottom row first
    EncodeRow(stream, &image.pixels[static_cast<size_t>(y) * image.width], image.width);
    if (stored + 1 < image.height || endOfLineAfterLastRow) {
      stream.push_back(0);
      stream.push_back(0);
    }
  }
  stream.push_back(0);
  stream.push_back(1);

  std::vector<uint8_t> out;
  PutInfoHeader(out, image.width, image.height, 8, 1 /* BI_RLE8 */,
                static_cast<uint32_t>(stream.size()), pelsPerMeter);
  for (uint32_t c : image.table) PutColour(out, c);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

std::vector<uint8_t> EncodeIcon16(const uint8_t indices[32 * 32], const uint8_t opaque[32 * 32],
                                  const uint32_t table[16]) {
  const int kXorBytes = 16 * 32;  // 4 bits per pixel, rows already 4-byte aligned
  const int kAndBytes = 4 * 32;   // 1 bit per pixel
  const int kImageBytes = 40 + 16 * 4 + kXorBytes + kAndBytes;
  std::vector<uint8_t> out;
  Put16(out, 0);  // ICONDIR
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.push_back(32);  // ICONDIRENTRY
  out.push_back(32);
  out.push_back(16);  // colour count
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageBytes);
  Put32(out, 6 + 16);
  // The image's height counts the colour and the mask bitmap together.
  PutInfoHeader(out, 32, 64, 4, 0, kXorBytes + kAndBytes, 0);
  for (int i = 0; i < 16; ++i) PutColour(out, table[i]);
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; x += 2) {
      uint8_t hi = opaque[y * 32 + x] ? indices[y * 32 + x] : 0;
      uint8_t lo = opaque[y * 32 + x + 1] ? indices[y * 32 + x + 1] : 0;
      out.push_back(static_cast<uint8_t>((hi & 15) << 4 | (lo & 15)));
    }
  for (int y = 31; y >= 0; --y)
    for (int byte = 0; byte < 4; ++byte) {
      uint8_t bits = 0;
      for (int b = 0; b < 8; ++b)
        if (!opaque[y * 32 + byte * 8 + b]) bits |= 0x80 >> b;  // 1: screen shows through
      out.push_back(bits);
    }
  return out;
}

std::vector<uint8_t> WithFileHeader(const std::vector<uint8_t>& packed) {
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(14 + packed.size()));
  Put32(out, 0);
  Put32(out, 14 + 1064);  // pixel data behind header and full colour table
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

std::vector<ArtFile> EncodeArt(const ArtSet& set) {
  std::vector<ArtFile> files;
  files.push_back({"nava.bmp", WithFileHeader(EncodePackedRle8(set.figure, 2834, false))});
  files.push_back({"nava_m.bmp", WithFileHeader(EncodePackedRle8(set.figureMask, 0, true))});
  files.push_back({"ice.bmp", WithFileHeader(EncodePackedRle8(set.flakeStrip, 2834, false))});
  files.push_back(
      {"ice_m.bmp", WithFileHeader(EncodePackedRle8(set.flakeMaskStrip, 2834, false))});
  files.push_back({"navanava.ico", EncodeIcon16(set.iconIndices, set.iconOpaque, set.iconTable)});
  return files;
}

}  // namespace art
