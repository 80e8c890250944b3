#include "render/pixel_scale.h"

#include <algorithm>
#include <cstring>

int32_t ChoosePixelScale(int32_t windowWidth, int32_t windowHeight, int32_t requested) {
  if (requested >= 1 && requested <= kMaxPixelScale) return requested;
  return (windowWidth > kHighDensityExtent || windowHeight > kHighDensityExtent) ? 2 : 1;
}

int32_t SceneExtent(int32_t windowExtent, int32_t scale) {
  if (windowExtent <= 0) return 0;
  if (scale < 1) scale = 1;
  return static_cast<int32_t>((static_cast<int64_t>(windowExtent) + scale - 1) / scale);
}

DamageRect ScaledRect(const DamageRect& r, int32_t scale, int32_t windowWidth,
                      int32_t windowHeight) {
  auto scaled = [scale](int32_t v, int32_t limit) {
    return static_cast<int32_t>(
        std::max<int64_t>(0, std::min<int64_t>(static_cast<int64_t>(v) * scale, limit)));
  };
  return DamageRect{scaled(r.left, windowWidth), scaled(r.top, windowHeight),
                    scaled(r.right, windowWidth), scaled(r.bottom, windowHeight)};
}

namespace {

// Window pixels left .. right of one row, each scene pixel repeated `scale`
// times: one pass over the scene pixels, no division per pixel.
template <typename Pixel>
void RepeatRow(Pixel* d, const Pixel* src, int32_t left, int32_t right, int32_t scale) {
  int32_t x = left;
  const Pixel* s = src + left / scale;
  // A block cut by the left edge.
  for (; x < right && x % scale != 0; ++x) d[x] = *s;
  if (x % scale == 0 && x > left) ++s;
  if (scale == 2) {
    for (; x + 2 <= right; x += 2, ++s) d[x] = d[x + 1] = *s;
  } else {
    for (; x + scale <= right; x += scale, ++s) {
      for (int32_t k = 0; k < scale; ++k) d[x + k] = *s;
    }
  }
  // A block cut by the right edge.
  for (; x < right; ++x) d[x] = *s;
}

}  // namespace

template <typename Pixel>
void ScaleRectInto(const PixelBuffer<Pixel>& window, const PixelBuffer<Pixel>& scene,
                   const DamageRect& r, int32_t scale) {
  if (scale < 1) return;
  // Only scene pixels that exist, and only window pixels that exist.
  DamageRect s = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, scene.width),
                  std::min(r.bottom, scene.height)};
  const DamageRect w = ScaledRect(s, scale, window.width, window.height);
  if (w.left >= w.right || w.top >= w.bottom) return;
  if (scale == 1) {
    for (int32_t y = w.top; y < w.bottom; ++y) {
      std::memcpy(window.Row(y) + w.left, scene.Row(y) + w.left,
                  sizeof(Pixel) * static_cast<size_t>(w.right - w.left));
    }
    return;
  }
  for (int32_t y = w.top; y < w.bottom; ++y) {
    Pixel* d = window.Row(y);
    if (y > w.top && y % scale != 0) {
      // Every row of a block repeats the block's first row.
      std::memcpy(d + w.left, window.Row(y - 1) + w.left,
                  sizeof(Pixel) * static_cast<size_t>(w.right - w.left));
      continue;
    }
    RepeatRow(d, scene.Row(y / scale), w.left, w.right, scale);
  }
}

template void ScaleRectInto(const PixelBuffer<uint32_t>&, const PixelBuffer<uint32_t>&,
                            const DamageRect&, int32_t);
template void ScaleRectInto(const PixelBuffer<uint16_t>&, const PixelBuffer<uint16_t>&,
                            const DamageRect&, int32_t);
template void ScaleRectInto(const PixelBuffer<uint8_t>&, const PixelBuffer<uint8_t>&,
                            const DamageRect&, int32_t);
