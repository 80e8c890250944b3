// Icon 105: the figure, ears shortened, in 16 colours at 32 x 32.
#include <cmath>

#include "tools/art/art.h"
#include "tools/art/figure_scene.h"
#include "tools/art/shapes.h"

namespace art {
namespace {

struct IconColour {
  int material;
  double shade;
};

// Entry 0 is black, behind the transparent pixels; the others are taken from
// the figure's ramps.
const IconColour kIconColours[15] = {
    {kOutline, 0},   {kFur, 0.2},   {kFur, 0.55}, {kFur, 0.85},  {kCream, 0.8},
    {kEarPink, 0.6}, {kEye, 0.1},   {kGlint, 1},  {kKnit, 0.3},  {kKnit, 0.7},
    {kSnow, 0.8},    {kScarf, 0.5}, {kStripe, 0.6}, {kBoot, 0.5}, {kBlush, 0.5},
};

uint32_t RampColour(int material, double shade) {
  const std::vector<uint32_t>& ramp = MaterialRamp(material);
  return ramp[static_cast<int>(shade * (ramp.size() - 1) + 0.5)];
}

}  // namespace

void DrawIcon(uint8_t indices[32 * 32], uint8_t opaque[32 * 32], uint32_t table[16]) {
  table[0] = 0;
  for (int i = 0; i < 15; ++i) table[i + 1] = RampColour(kIconColours[i].material, kIconColours[i].shade);

  const int kSub = 4;
  FigureView view;
  view.shortEars = true;
  view.pixelSize = 6.4 / kSub;
  view.originX = 128 - 16 * 6.4;
  view.originY = 76 - 16 * 6.4;
  view.outline = 1.2 * kSub;
  std::vector<FigureSample> samples = RenderFigure(view, 32 * kSub, 32 * kSub);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double r = 0, g = 0, b = 0;
      int count = 0;
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx) {
          const FigureSample& s = samples[(y * kSub + sy) * 32 * kSub + x * kSub + sx];
          if (!s.opaque) continue;
          uint32_t c = RampColour(s.material, s.shade);
          r += RedOf(c);
          g += GreenOf(c);
          b += BlueOf(c);
          ++count;
        }
      opaque[y * 32 + x] = count * 2 >= kSub * kSub;
      indices[y * 32 + x] = 0;
      if (!opaque[y * 32 + x]) continue;
      r /= count;
      g /= count;
      b /= count;
      double best = 1e18;
      for (int i = 1; i < 16; ++i) {
        double dr = r - RedOf(table[i]), dg = g - GreenOf(table[i]), db = b - BlueOf(table[i]);
        double d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (d < best) {
          best = d;
          indices[y * 32 + x] = static_cast<uint8_t>(i);
        }
      }
    }
}

}  // namespace art
