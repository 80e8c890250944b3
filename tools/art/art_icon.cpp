// Icon 105: the figure with stubby ears in 16 colours at 32 x 32. Each icon
// pixel takes the material that covers most of it, in that material's
// nearest icon colour. The eyes are too small to survive the reduction, so
// they are drawn afterwards as little pixel patterns.
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

// Entry 0 is black, behind the transparent pixels; the others are shades of
// the figure's ramps.
const IconColour kIconColours[15] = {
    {kOutline, 0.5}, {kFur, 0.15}, {kFur, 0.5},   {kFur, 0.85},   {kCream, 0.75},
    {kEarPink, 0.6}, {kEye, 0.2},  {kGlint, 1},   {kKnit, 0.35},  {kKnit, 0.75},
    {kSnow, 0.85},   {kScarf, 0.5}, {kStripe, 0.6}, {kBoot, 0.5}, {kBlush, 0.6},
};

// Materials without icon colours of their own borrow another's.
int IconMaterial(int material) {
  switch (material) {
    case kMouth: return kEye;
    case kTongue: return kBlush;
    default: return material;
  }
}

// An eye at icon size: 'e' dark, 'g' the glint, '.' left as it is.
const char* const kIconEye[5] = {".ee.", "egee", "eeee", "eeee", ".ee."};

uint32_t RampColour(int material, double shade) {
  const std::vector<uint32_t>& ramp = MaterialRamp(material);
  return ramp[static_cast<int>(shade * (ramp.size() - 1) + 0.5)];
}

}  // namespace

void DrawIcon(uint8_t indices[32 * 32], uint8_t opaque[32 * 32], uint32_t table[16]) {
  table[0] = 0;
  for (int i = 0; i < 15; ++i)
    table[i + 1] = RampColour(kIconColours[i].material, kIconColours[i].shade);

  const int kSub = 5;
  const double kScale = 5.5;  // figure units per icon pixel
  FigureView view;
  view.shortEars = true;
  view.eyeScale = 0;
  view.pixelSize = kScale / kSub;
  view.originX = 128 - 16 * kScale;
  view.originY = 75 - 16 * kScale;
  view.outline = 0.9 * kSub;
  std::vector<FigureSample> samples = RenderFigure(view, 32 * kSub, 32 * kSub);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double weight[kMaterialCount] = {}, shadeSum[kMaterialCount] = {};
      int covered = 0;
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx) {
          const FigureSample& s = samples[(y * kSub + sy) * 32 * kSub + x * kSub + sx];
          if (!s.opaque) continue;
          ++covered;
          int m = IconMaterial(s.material);
          weight[m] += 1;
          shadeSum[m] += s.shade;
        }
      indices[y * 32 + x] = 0;
      opaque[y * 32 + x] = covered * 2 > kSub * kSub;
      if (!opaque[y * 32 + x]) continue;
      int best = 0;
      for (int m = 1; m < kMaterialCount; ++m)
        if (weight[m] > weight[best]) best = m;
      double shade = shadeSum[best] / weight[best];
      double bestDistance = 1e9;
      for (int i = 0; i < 15; ++i)
        if (kIconColours[i].material == best &&
            std::fabs(kIconColours[i].shade - shade) < bestDistance) {
          bestDistance = std::fabs(kIconColours[i].shade - shade);
          indices[y * 32 + x] = static_cast<uint8_t>(i + 1);
        }
    }

  // The eyes sit at the figure's eye centres (108, 76) and its mirror image.
  int left = static_cast<int>(std::lround((108 - view.originX) / kScale - 2));
  int top = static_cast<int>(std::lround((76 - view.originY) / kScale - 2.5));
  for (int side = 0; side < 2; ++side)
    for (int v = 0; v < 5; ++v)
      for (int u = 0; u < 4; ++u) {
        char c = kIconEye[v][u];  // one light: both glints upper left
        if (c == '.') continue;
        int x = side ? 32 - left - 4 + u : left + u, y = top + v;
        indices[y * 32 + x] = static_cast<uint8_t>(c == 'g' ? 8 : 7);  // glint, eye
        opaque[y * 32 + x] = 1;
      }
}

}  // namespace art
