#include "wayland/wayland_text.h"

#include <cstring>

#include "host/timer_clock.h"

namespace {

constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphHeight = 7;
constexpr int32_t kMargin = 4;  // device pixels from the left and bottom edges

struct Glyph {
  char c;
  uint8_t rows[kGlyphHeight];  // bit 4 is the leftmost column
};

const Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& g : kGlyphs) {
    if (g.c == c) return &g;
  }
  return nullptr;
}

}  // namespace

bool DrawFrameRateText(const PixelBuffer32& target, double framesPerSecond, int32_t pixelScale,
                       DamageRect* drawn) {
  char text[32];
  const size_t length = FormatFrameRate(framesPerSecond, text, sizeof text);
  const int32_t unit = 2 * (pixelScale > 0 ? pixelScale : 1);
  const int32_t advance = (kGlyphWidth + 1) * unit;
  const int32_t width = static_cast<int32_t>(length) * advance + unit;
  const int32_t height = (kGlyphHeight + 2) * unit;
  const DamageRect box = {kMargin, target.height - kMargin - height, kMargin + width,
                          target.height - kMargin};
  if (box.top < 0 || box.right > target.width) return false;
  for (int32_t y = box.top; y < box.bottom; ++y) {
    std::memset(target.Row(y) + box.left, 0, static_cast<size_t>(width) * sizeof(uint32_t));
  }
  for (size_t i = 0; i < length; ++i) {
    const Glyph* g = FindGlyph(text[i]);
    if (g == nullptr) continue;
    const int32_t left = box.left + unit + static_cast<int32_t>(i) * advance;
    for (int32_t row = 0; row < kGlyphHeight; ++row) {
      for (int32_t col = 0; col < kGlyphWidth; ++col) {
        if ((g->rows[row] & (0x10 >> col)) == 0) continue;
        for (int32_t dy = 0; dy < unit; ++dy) {
          uint32_t* p = target.Row(box.top + unit + row * unit + dy) + left + col * unit;
          for (int32_t dx = 0; dx < unit; ++dx) p[dx] = 0xFFFFFF;
        }
      }
    }
  }
  *drawn = box;
  return true;
}
