#include "render/compose.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

template <typename Pixel>
inline Pixel Combine(Pixel destination, Pixel source, RasterOp op) {
  switch (op) {
    case RasterOp::And: return static_cast<Pixel>(destination & source);
    case RasterOp::Or: return static_cast<Pixel>(destination | source);
    case RasterOp::Copy: break;
  }
  return source;
}

// Clips a w x h destination rectangle at (dx, dy) to 0..limitW x 0..limitH.
// The offsets of the first kept pixel from the unclipped corner come back in
// (skipX, skipY), so the caller moves its source by the same amount and the
// image stays where it was.
struct Clip {
  int32_t x0, y0, x1, y1;  // kept destination pixels, right and bottom excluded
  int32_t skipX, skipY;
  bool empty;
};

inline Clip ClipRect(int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t limitW,
                     int32_t limitH) {
  Clip c;
  // 64-bit ends: positions near the int32 limits must not wrap.
  int64_t left = std::max<int64_t>(dx, 0), top = std::max<int64_t>(dy, 0);
  int64_t right = std::min<int64_t>(static_cast<int64_t>(dx) + w, limitW);
  int64_t bottom = std::min<int64_t>(static_cast<int64_t>(dy) + h, limitH);
  c.empty = w <= 0 || h <= 0 || left >= right || top >= bottom;
  if (c.empty) return c;
  c.x0 = static_cast<int32_t>(left);
  c.y0 = static_cast<int32_t>(top);
  c.x1 = static_cast<int32_t>(right);
  c.y1 = static_cast<int32_t>(bottom);
  c.skipX = static_cast<int32_t>(left - dx);
  c.skipY = static_cast<int32_t>(top - dy);
  return c;
}

template <typename Pixel, RasterOp op>
void BlitRows(const PixelBuffer<Pixel>& destination, const Clip& c,
              const PixelBuffer<Pixel>& source, int32_t sx, int32_t sy) {
  const int32_t n = c.x1 - c.x0;
  if (op == RasterOp::Copy && n == destination.stride && n == source.stride) {
    // Whole rows of both buffers without gaps: one block copy (the present).
    std::memcpy(destination.Row(c.y0), source.Row(sy + c.skipY),
                sizeof(Pixel) * static_cast<size_t>(n) * static_cast<size_t>(c.y1 - c.y0));
    return;
  }
  for (int32_t y = c.y0; y < c.y1; ++y) {
    Pixel* d = destination.Row(y) + c.x0;
    const Pixel* s = source.Row(sy + c.skipY + (y - c.y0)) + sx + c.skipX;
    if (op == RasterOp::Copy) {
      std::memcpy(d, s, sizeof(Pixel) * static_cast<size_t>(n));
    } else {
      for (int32_t i = 0; i < n; ++i) d[i] = Combine(d[i], s[i], op);
    }
  }
}

// Mask then sprite over the same rectangle in one pass: each destination
// pixel becomes (pixel AND mask) OR sprite, exactly what the two blits one
// after the other give, with half the passes over the destination.
template <typename Pixel>
void BlitMasked(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy, int32_t w,
                int32_t h, const PixelBuffer<Pixel>& mask, const PixelBuffer<Pixel>& sprite,
                int32_t sx, int32_t sy) {
  if (sx < 0 || sy < 0 || sx >= sprite.width || sy >= sprite.height ||
      mask.width != sprite.width || mask.height != sprite.height) {
    BlitPixels(destination, dx, dy, w, h, mask, sx, sy, RasterOp::And);
    BlitPixels(destination, dx, dy, w, h, sprite, sx, sy, RasterOp::Or);
    return;
  }
  w = std::min(w, sprite.width - sx);
  h = std::min(h, sprite.height - sy);
  Clip c = ClipRect(dx, dy, w, h, destination.width, destination.height);
  if (c.empty) return;
  const int32_t n = c.x1 - c.x0;
  for (int32_t y = c.y0; y < c.y1; ++y) {
    const int32_t row = sy + c.skipY + (y - c.y0);
    Pixel* d = destination.Row(y) + c.x0;
    const Pixel* m = mask.Row(row) + sx + c.skipX;
    const Pixel* s = sprite.Row(row) + sx + c.skipX;
    for (int32_t i = 0; i < n; ++i) d[i] = static_cast<Pixel>((d[i] & m[i]) | s[i]);
  }
}

// The same for a far flake: mask and sprite each halved by AND first.
template <typename Pixel>
void BlitMaskedHalved(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy, int32_t w,
                      int32_t h, const PixelBuffer<Pixel>& mask, const PixelBuffer<Pixel>& sprite,
                      int32_t sx, int32_t sy) {
  if (sx < 0 || sy < 0 || sx >= sprite.width || sy >= sprite.height ||
      mask.width != sprite.width || mask.height != sprite.height) {
    BlitHalvedByAnd(destination, dx, dy, w, h, mask, sx, sy, RasterOp::And);
    BlitHalvedByAnd(destination, dx, dy, w, h, sprite, sx, sy, RasterOp::Or);
    return;
  }
  w = std::min(w, (sprite.width - sx) / 2);
  h = std::min(h, (sprite.height - sy) / 2);
  Clip c = ClipRect(dx, dy, w, h, destination.width, destination.height);
  if (c.empty) return;
  for (int32_t y = c.y0; y < c.y1; ++y) {
    const int32_t v = c.skipY + (y - c.y0);
    const Pixel* m0 = mask.Row(sy + 2 * v) + sx;
    const Pixel* m1 = mask.Row(sy + 2 * v + 1) + sx;
    const Pixel* s0 = sprite.Row(sy + 2 * v) + sx;
    const Pixel* s1 = sprite.Row(sy + 2 * v + 1) + sx;
    Pixel* d = destination.Row(y);
    for (int32_t x = c.x0; x < c.x1; ++x) {
      const int32_t u = 2 * (c.skipX + (x - c.x0));
      const Pixel m = static_cast<Pixel>(m0[u] & m0[u + 1] & m1[u] & m1[u + 1]);
      const Pixel s = static_cast<Pixel>(s0[u] & s0[u + 1] & s1[u] & s1[u + 1]);
      d[x] = static_cast<Pixel>((d[x] & m) | s);
    }
  }
}

// start + size without wrapping past the largest int32.
inline int32_t EndOf(int32_t start, int32_t size) {
  return static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(start) + size, INT32_MAX));
}

}  // namespace

template <typename Pixel>
void BlitPixels(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy, int32_t w,
                int32_t h, const PixelBuffer<Pixel>& source, int32_t sx, int32_t sy,
                RasterOp op) {
  // The source rectangle must lie inside the source; the callers blit whole
  // sprites or whole cells, so this only narrows w and h for a bad caller.
  if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height) return;
  w = std::min(w, source.width - sx);
  h = std::min(h, source.height - sy);
  Clip c = ClipRect(dx, dy, w, h, destination.width, destination.height);
  if (c.empty) return;
  switch (op) {
    case RasterOp::And: BlitRows<Pixel, RasterOp::And>(destination, c, source, sx, sy); break;
    case RasterOp::Or: BlitRows<Pixel, RasterOp::Or>(destination, c, source, sx, sy); break;
    case RasterOp::Copy: BlitRows<Pixel, RasterOp::Copy>(destination, c, source, sx, sy); break;
  }
}

template <typename Pixel>
void BlitHalvedByAnd(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy,
                     int32_t w, int32_t h, const PixelBuffer<Pixel>& source, int32_t sx,
                     int32_t sy, RasterOp op) {
  if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height) return;
  w = std::min(w, (source.width - sx) / 2);
  h = std::min(h, (source.height - sy) / 2);
  Clip c = ClipRect(dx, dy, w, h, destination.width, destination.height);
  if (c.empty) return;
  for (int32_t y = c.y0; y < c.y1; ++y) {
    const int32_t v = c.skipY + (y - c.y0);
    const Pixel* s0 = source.Row(sy + 2 * v) + sx;
    const Pixel* s1 = source.Row(sy + 2 * v + 1) + sx;
    Pixel* d = destination.Row(y);
    for (int32_t x = c.x0; x < c.x1; ++x) {
      const int32_t u = c.skipX + (x - c.x0);
      const Pixel reduced =
          static_cast<Pixel>(s0[2 * u] & s0[2 * u + 1] & s1[2 * u] & s1[2 * u + 1]);
      d[x] = Combine(d[x], reduced, op);
    }
  }
}

template <typename Pixel>
void FillBlack(const PixelBuffer<Pixel>& destination, int32_t left, int32_t top,
               int32_t right, int32_t bottom) {
  const int64_t w = static_cast<int64_t>(right) - left, h = static_cast<int64_t>(bottom) - top;
  if (w <= 0 || h <= 0) return;
  Clip c = ClipRect(left, top, static_cast<int32_t>(std::min<int64_t>(w, INT32_MAX)),
                    static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX)), destination.width,
                    destination.height);
  if (c.empty) return;
  for (int32_t y = c.y0; y < c.y1; ++y) {
    std::memset(destination.Row(y) + c.x0, 0, sizeof(Pixel) * static_cast<size_t>(c.x1 - c.x0));
  }
}

template <typename Pixel>
void ComposeFrameInto(const PixelBuffer<Pixel>& backBuffer, const SpriteSet<Pixel>& sprites,
                      const Scene& scene) {
  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  const int32_t half = FarFlakeCount(count);
  for (int32_t i = 0; i < half; ++i) {
    const Flake& f = scene.flakes[i];
    const int32_t cellX = kFlakeSize * f.frame;
    BlitMaskedHalved(backBuffer, f.x, f.y, kFarFlakeSize, kFarFlakeSize,
                     sprites.flakeMaskStrip, sprites.flakeStrip, cellX, 0);
  }
  const Figure& figure = scene.figure;
  BlitMasked(backBuffer, figure.x, figure.y, kFigureWidth, kFigureHeight, sprites.figureMask,
             sprites.figureImage, 0, 0);
  for (int32_t i = half; i < count; ++i) {
    const Flake& f = scene.flakes[i];
    const int32_t cellX = kFlakeSize * f.frame;
    BlitMasked(backBuffer, f.x, f.y, kFlakeSize, kFlakeSize, sprites.flakeMaskStrip,
               sprites.flakeStrip, cellX, 0);
  }
}

template <typename Pixel>
void PresentFrameTo(const PixelBuffer<Pixel>& destination,
                    const PixelBuffer<Pixel>& backBuffer, const Scene& scene) {
  BlitPixels(destination, 0, 0, scene.screenWidth, scene.screenHeight, backBuffer, 0, 0,
             RasterOp::Copy);
}

template <typename Pixel>
void EraseFrameIn(const PixelBuffer<Pixel>& backBuffer, const Scene& scene) {
  // The rectangle from before this tick's move: the part of the new figure
  // outside it stays in the buffer until the next tick's erase.
  const FigurePos& p = scene.figure.previousFigurePos;
  FillBlack(backBuffer, p.x, p.y, EndOf(p.x, kFigureWidth), EndOf(p.y, kFigureHeight));
  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  for (int32_t i = 0; i < count; ++i) {
    const Flake& f = scene.flakes[i];
    FillBlack(backBuffer, f.x, f.y, EndOf(f.x, kFlakeEraseSize), EndOf(f.y, kFlakeEraseSize));
  }
}

#define NAVANAVA_INSTANTIATE(Pixel)                                                        \
  template void BlitPixels(const PixelBuffer<Pixel>&, int32_t, int32_t, int32_t, int32_t,   \
                           const PixelBuffer<Pixel>&, int32_t, int32_t, RasterOp);          \
  template void BlitHalvedByAnd(const PixelBuffer<Pixel>&, int32_t, int32_t, int32_t,       \
                                int32_t, const PixelBuffer<Pixel>&, int32_t, int32_t,       \
                                RasterOp);                                                  \
  template void FillBlack(const PixelBuffer<Pixel>&, int32_t, int32_t, int32_t, int32_t);   \
  template void ComposeFrameInto(const PixelBuffer<Pixel>&, const SpriteSet<Pixel>&,        \
                                 const Scene&);                                             \
  template void PresentFrameTo(const PixelBuffer<Pixel>&, const PixelBuffer<Pixel>&,        \
                               const Scene&);                                               \
  template void EraseFrameIn(const PixelBuffer<Pixel>&, const Scene&);

NAVANAVA_INSTANTIATE(uint8_t)
NAVANAVA_INSTANTIATE(uint32_t)
