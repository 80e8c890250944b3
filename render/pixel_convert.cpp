#include "render/pixel_convert.h"

#include <algorithm>
#include <cstring>

#include "render/pixel_scale.h"

namespace {

uint32_t ChannelValue(uint32_t v8, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  int bits = 0;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0) ++bits;
  uint32_t v;
  if (bits <= 8) {
    v = v8 >> (8 - bits);
  } else {
    // Repeat the 8 bits downwards until the field is full.
    v = 0;
    int filled = 0;
    while (filled < bits) {
      const int take = std::min(8, bits - filled);
      v = (v << take) | (v8 >> (8 - take));
      filled += take;
    }
  }
  return (v << shift) & mask;
}

// Stores one pixel value at `p` in the layout's width and byte order.
enum class Store { k8, k16Lsb, k16Msb, k24Lsb, k24Msb, k32Lsb, k32Msb };

template <Store kind>
inline void Put(uint8_t* row, int32_t x, uint32_t v) {
  switch (kind) {
    case Store::k8: row[x] = static_cast<uint8_t>(v); break;
    case Store::k16Lsb: {
      uint8_t* p = row + 2 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    }
    case Store::k16Msb: {
      uint8_t* p = row + 2 * x;
      p[0] = static_cast<uint8_t>(v >> 8);
      p[1] = static_cast<uint8_t>(v);
      break;
    }
    case Store::k24Lsb: {
      uint8_t* p = row + 3 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    }
    case Store::k24Msb: {
      uint8_t* p = row + 3 * x;
      p[0] = static_cast<uint8_t>(v >> 16);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v);
      break;
    }
    case Store::k32Lsb: {
      uint8_t* p = row + 4 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      p[3] = static_cast<uint8_t>(v >> 24);
      break;
    }
    case Store::k32Msb: {
      uint8_t* p = row + 4 * x;
      p[0] = static_cast<uint8_t>(v >> 24);
      p[1] = static_cast<uint8_t>(v >> 16);
      p[2] = static_cast<uint8_t>(v >> 8);
      p[3] = static_cast<uint8_t>(v);
      break;
    }
  }
}

struct TrueColourLookup {
  const TrueColourTables& t;
  uint32_t operator()(uint32_t rgb) const { return TrueColourPixel(t, rgb); }
};

struct IndexedLookup {
  const IndexedPixelTable& t;
  uint32_t operator()(uint8_t index) const { return t.pixel[index]; }
};

int32_t BytesPerPixel(int32_t bitsPerPixel) { return bitsPerPixel / 8; }

template <Store kind, typename Pixel, typename Lookup>
void ConvertRows(const ImageLayout& image, const PixelBuffer<Pixel>& scene, const DamageRect& w,
                 int32_t scale, Lookup lookup) {
  const size_t rowBytes = static_cast<size_t>(w.right - w.left) * BytesPerPixel(image.bitsPerPixel);
  for (int32_t y = w.top; y < w.bottom; ++y) {
    uint8_t* row = image.data + static_cast<ptrdiff_t>(y) * image.bytesPerLine;
    if (y > w.top && y % scale != 0) {
      // Every row of a block repeats the block's first row.
      const size_t offset = static_cast<size_t>(w.left) * BytesPerPixel(image.bitsPerPixel);
      std::memcpy(row + offset, row - image.bytesPerLine + offset, rowBytes);
      continue;
    }
    const Pixel* src = scene.Row(y / scale);
    if (scale == 1) {
      for (int32_t x = w.left; x < w.right; ++x) Put<kind>(row, x, lookup(src[x]));
      continue;
    }
    // One lookup per scene pixel, stored `scale` times (cut at both ends).
    for (int32_t x = w.left; x < w.right;) {
      const int32_t sx = x / scale;
      const uint32_t v = lookup(src[sx]);
      const int32_t end = std::min((sx + 1) * scale, w.right);
      for (; x < end; ++x) Put<kind>(row, x, v);
    }
  }
}

template <typename Pixel, typename Lookup>
void Convert(const ImageLayout& image, const PixelBuffer<Pixel>& scene, const DamageRect& r,
             int32_t scale, Lookup lookup) {
  if (scale < 1 || !LayoutSupported(image)) return;
  const DamageRect s = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, scene.width),
                        std::min(r.bottom, scene.height)};
  if (s.left >= s.right || s.top >= s.bottom) return;
  const DamageRect w = ScaledRect(s, scale, image.width, image.height);
  if (w.left >= w.right || w.top >= w.bottom) return;
  switch (image.bitsPerPixel) {
    case 8: ConvertRows<Store::k8>(image, scene, w, scale, lookup); break;
    case 16:
      if (image.msbFirst) ConvertRows<Store::k16Msb>(image, scene, w, scale, lookup);
      else ConvertRows<Store::k16Lsb>(image, scene, w, scale, lookup);
      break;
    case 24:
      if (image.msbFirst) ConvertRows<Store::k24Msb>(image, scene, w, scale, lookup);
      else ConvertRows<Store::k24Lsb>(image, scene, w, scale, lookup);
      break;
    default:
      if (image.msbFirst) ConvertRows<Store::k32Msb>(image, scene, w, scale, lookup);
      else ConvertRows<Store::k32Lsb>(image, scene, w, scale, lookup);
      break;
  }
}

}  // namespace

void BuildTrueColourTables(const ChannelMasks& masks, TrueColourTables* tables) {
  for (uint32_t v = 0; v < 256; ++v) {
    tables->red[v] = ChannelValue(v, masks.red);
    tables->green[v] = ChannelValue(v, masks.green);
    tables->blue[v] = ChannelValue(v, masks.blue);
  }
}

uint32_t TrueColourPixel(const TrueColourTables& tables, uint32_t rgb) {
  return tables.red[(rgb >> 16) & 0xFF] | tables.green[(rgb >> 8) & 0xFF] | tables.blue[rgb & 0xFF];
}

bool LayoutSupported(const ImageLayout& image) {
  const int32_t bpp = image.bitsPerPixel;
  if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (image.data == nullptr || image.width < 0 || image.height < 0) return false;
  return static_cast<int64_t>(image.width) * BytesPerPixel(bpp) <= image.bytesPerLine;
}

void ConvertRectInto(const ImageLayout& image, const PixelBuffer32& scene, const DamageRect& r,
                     int32_t scale, const TrueColourTables& tables) {
  Convert(image, scene, r, scale, TrueColourLookup{tables});
}

void ConvertRectInto(const ImageLayout& image, const PixelBuffer8& scene, const DamageRect& r,
                     int32_t scale, const IndexedPixelTable& table) {
  Convert(image, scene, r, scale, IndexedLookup{table});
}
