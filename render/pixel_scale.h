#pragma once
// Whole-number pixel scaling for big and high-density windows: the scene is
// composed at a fraction of the window's size and each scene pixel is shown
// as a scale x scale block, nearest neighbour, so the pixel art stays crisp.
#include <cstdint>

#include "render/frame_damage.h"
#include "render/pixel_buffer.h"

constexpr int32_t kMaxPixelScale = 8;
// Windows wider or taller than this are drawn at twice the pixel size.
constexpr int32_t kHighDensityExtent = 2560;

// `requested` 1..kMaxPixelScale is taken as it is; 0 asks for the automatic
// choice: 2 for a window wider or taller than kHighDensityExtent, else 1.
int32_t ChoosePixelScale(int32_t windowWidth, int32_t windowHeight, int32_t requested);

// The scene's extent for a window's extent: divided by the scale and rounded
// up, so that the scaled scene covers the whole window. 0 for an empty window.
int32_t SceneExtent(int32_t windowExtent, int32_t scale);

// Copies the scene rectangle `r` of `scene` into `window`, each pixel as a
// scale x scale block at (scale * x, scale * y), clipped to the window.
template <typename Pixel>
void ScaleRectInto(const PixelBuffer<Pixel>& window, const PixelBuffer<Pixel>& scene,
                   const DamageRect& r, int32_t scale);

// The window rectangle that scene rectangle `r` covers at `scale`, clipped to
// a window of the given size (may come out empty).
DamageRect ScaledRect(const DamageRect& r, int32_t scale, int32_t windowWidth,
                      int32_t windowHeight);
