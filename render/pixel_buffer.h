#pragma once
// A plain pixel buffer: what the portable composition draws into and reads
// from. The buffer does not own its pixels.
#include <cstddef>
#include <cstdint>

// Pixel is uint32_t for a display of more than 256 colours (0x00RRGGBB, the
// layout in which a 32-bit display and GetDIBits store a pixel) or uint8_t
// for a 256-colour display (indices into the realised palette). Either way
// black is the value with all bits clear and white the one with all bits set
// in the colour bits, which is what the mask convention relies on.
template <typename Pixel>
struct PixelBuffer {
  Pixel* pixels;   // top row first
  int32_t width;
  int32_t height;
  int32_t stride;  // pixels from the start of one row to the next

  Pixel* Row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

typedef PixelBuffer<uint32_t> PixelBuffer32;
typedef PixelBuffer<uint8_t> PixelBuffer8;
