#pragma once
// The three per-tick drawing operations on plain pixel buffers, with the same
// arithmetic as the GDI path: masks ANDed, sprites ORed, far flakes reduced
// 2:1 by AND, every blit and fill clipped without moving its image. Used by
// the tests, the frame tool and the benchmarks; the saver itself draws with
// GDI (win32_render.cpp) and a Windows test proves both give the same bytes.
#include <cstdint>

#include "render/pixel_buffer.h"
#include "scene/scene.h"

constexpr int32_t kFlakeStripWidth = kFlakeSize * kFlakeFrames;  // 128
constexpr int32_t kFarFlakeSize = kFlakeSize / 2;                // 16
constexpr int32_t kFlakeEraseSize = kFlakeSize + 1;              // 33

// The four sprite bitmaps converted to the back buffer's pixel format.
template <typename Pixel>
struct SpriteSet {
  PixelBuffer<Pixel> figureImage;     // 256 x 148
  PixelBuffer<Pixel> figureMask;      // 256 x 148
  PixelBuffer<Pixel> flakeStrip;      // 128 x 32, cell k at x = 32 k
  PixelBuffer<Pixel> flakeMaskStrip;  // 128 x 32
};

enum class RasterOp { And, Or, Copy };  // SRCAND, SRCPAINT, SRCCOPY

// Pixel for pixel: destination (dx, dy) .. (dx + w, dy + h) combined with the
// source from (sx, sy). Clipped to the destination.
template <typename Pixel>
void BlitPixels(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy, int32_t w,
                int32_t h, const PixelBuffer<Pixel>& source, int32_t sx, int32_t sy,
                RasterOp op);

// Halving in both directions as StretchBlt does in its default BLACKONWHITE
// mode: destination pixel (u, v) gets the AND of the source's 2 x 2 block at
// (sx + 2u, sy + 2v), then combined by op. w x h is the destination size.
template <typename Pixel>
void BlitHalvedByAnd(const PixelBuffer<Pixel>& destination, int32_t dx, int32_t dy,
                     int32_t w, int32_t h, const PixelBuffer<Pixel>& source, int32_t sx,
                     int32_t sy, RasterOp op);

// Fills (left, top) .. (right, bottom), right and bottom excluded, with black.
template <typename Pixel>
void FillBlack(const PixelBuffer<Pixel>& destination, int32_t left, int32_t top,
               int32_t right, int32_t bottom);

// Far flakes at half size, then the figure, then the near flakes, each
// sprite's mask right before the sprite.
template <typename Pixel>
void ComposeFrameInto(const PixelBuffer<Pixel>& backBuffer, const SpriteSet<Pixel>& sprites,
                      const Scene& scene);

// Copies the screenWidth x screenHeight frame from (0, 0) of the back buffer
// to (0, 0) of the destination, clipped to both (a preview window shows the
// top-left corner).
template <typename Pixel>
void PresentFrameTo(const PixelBuffer<Pixel>& destination,
                    const PixelBuffer<Pixel>& backBuffer, const Scene& scene);

// Blackens the figure's rectangle at previousFigurePos and every live flake's
// 33 x 33 rectangle at its current position.
template <typename Pixel>
void EraseFrameIn(const PixelBuffer<Pixel>& backBuffer, const Scene& scene);
