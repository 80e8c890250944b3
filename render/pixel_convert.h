#pragma once
// The last step of a present on a display whose pixels are not the back
// buffer's: scene pixels, scaled by a whole number, converted into the
// window's own image format. Two kinds of source:
//  - 0x00RRGGBB pixels for a true-colour visual, turned into the visual's
//    channel layout (5-6-5, 8-8-8, 3-3-2, 10-10-10 ...) by per-channel tables;
//    each channel keeps its top bits, so AND and OR of converted pixels
//    equal the conversion of AND and OR, and the composition may run at
//    either side of the conversion with the same result;
//  - scene palette indices for a colormap visual, turned into the pixel
//    values of the colormap cells allocated for the palette's colours.
// The destination is an image as the window system lays it out: a pixel
// width of 8, 16, 24 or 32 bits and a byte order.
#include <cstdint>

#include "render/frame_damage.h"
#include "render/pixel_buffer.h"

struct ImageLayout {
  uint8_t* data;
  int32_t width, height;
  int32_t bytesPerLine;
  int32_t bitsPerPixel;  // 8, 16, 24 or 32; other widths are not drawn
  bool msbFirst;         // the most significant byte of a pixel comes first
};

// Channel masks of a true-colour visual, each a run of set bits.
struct ChannelMasks {
  uint32_t red, green, blue;
};

// pixel = red[R] | green[G] | blue[B] for a colour 0x00RRGGBB.
struct TrueColourTables {
  uint32_t red[256], green[256], blue[256];
};

// Pixel values of the 256 scene palette indices.
struct IndexedPixelTable {
  uint32_t pixel[256];
};

// A channel of 8 bits in a mask of n bits: its top n bits when n <= 8;
// widened by repeating its bits when n > 8 (so 0xFF stays all ones).
void BuildTrueColourTables(const ChannelMasks& masks, TrueColourTables* tables);
uint32_t TrueColourPixel(const TrueColourTables& tables, uint32_t rgb);

// Whether a layout can be drawn here (pixel width and line length fit).
bool LayoutSupported(const ImageLayout& layout);

// Scene rectangle `r` into the image: scene pixel (x, y) fills the
// scale x scale block at (scale x, scale y), clipped to the image and to the
// scene. Nothing happens for an unsupported layout or a scale below 1.
void ConvertRectInto(const ImageLayout& image, const PixelBuffer32& scene, const DamageRect& r,
                     int32_t scale, const TrueColourTables& tables);
void ConvertRectInto(const ImageLayout& image, const PixelBuffer8& scene, const DamageRect& r,
                     int32_t scale, const IndexedPixelTable& table);
