// The figure image, its mask and the figure's colour table.
#include "tools/art/art.h"
#include "tools/art/figure_scene.h"
#include "tools/art/shapes.h"

namespace art {

// The reserved colours of a 256-colour system palette, at their usual places.
const uint32_t kReservedLow[8] = {Rgb(0, 0, 0),     Rgb(128, 0, 0),   Rgb(0, 128, 0),
                                  Rgb(128, 128, 0), Rgb(0, 0, 128),   Rgb(128, 0, 128),
                                  Rgb(0, 128, 128), Rgb(192, 192, 192)};
const uint32_t kReservedHigh[9] = {Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
                                   Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),
                                   Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(255, 255, 255)};

void DrawFigure(IndexedImage& figure, IndexedImage& mask) {
  figure = MakeImage(256, 148);
  mask = MakeImage(256, 148);
  for (int i = 0; i < 8; ++i) figure.table[i] = kReservedLow[i];
  for (int i = 0; i < 9; ++i) figure.table[247 + i] = kReservedHigh[i];
  for (int m = 0; m < kMaterialCount; ++m) {
    const std::vector<uint32_t>& ramp = MaterialRamp(m);
    for (size_t i = 0; i < ramp.size(); ++i) figure.table[MaterialFirstEntry(m) + i] = ramp[i];
  }
  mask.table[255] = Rgb(255, 255, 255);

  FigureView view;
  std::vector<FigureSample> samples = RenderFigure(view, 256, 148);
  for (int y = 0; y < 148; ++y)
    for (int x = 0; x < 256; ++x) {
      const FigureSample& s = samples[y * 256 + x];
      if (!s.opaque) {
        mask.At(x, y) = 255;
        continue;
      }
      const std::vector<uint32_t>& ramp = MaterialRamp(s.material);
      // A light 2 x 2 ordered dither between neighbouring shades smooths
      // the gradients of the large round surfaces.
      static const double kThreshold[4] = {0.125, 0.625, 0.875, 0.375};
      int step = static_cast<int>(s.shade * (ramp.size() - 1) + kThreshold[(y & 1) * 2 + (x & 1)]);
      if (step > static_cast<int>(ramp.size()) - 1) step = static_cast<int>(ramp.size()) - 1;
      figure.At(x, y) = static_cast<uint8_t>(MaterialFirstEntry(s.material) + step);
    }
}

}  // namespace art
