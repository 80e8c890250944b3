#pragma once
// The figure as layers of shapes, and a renderer that turns it into shaded
// material samples at any scale (the sprite at 1:1, the icon smaller).
#include <cstdint>
#include <vector>

namespace art {

// Colour families of the figure; each becomes a ramp of table entries.
enum Material : int {
  kOutline,
  kFur,
  kCream,
  kEarPink,
  kBlush,
  kMouth,
  kTongue,
  kEye,
  kKnit,    // hat and mittens
  kSnow,    // brim and pompom
  kScarf,
  kStripe,
  kBoot,
  kGlint,   // the single highlight colour
  kMaterialCount
};

struct FigureSample {
  bool opaque = false;
  int material = kOutline;
  double shade = 0.0;  // 0 darkest .. 1 lightest of the material's ramp
};

struct FigureView {
  double originX = 0, originY = 0;  // figure coordinates of the output's corner
  double pixelSize = 1;             // figure units per output pixel
  bool shortEars = false;           // stubby ears for the icon
  double eyeScale = 1;              // 0 leaves the eyes out
  double outline = 1.7;             // silhouette outline width, output pixels
};

// Samples the figure for an output grid of width x height pixels.
std::vector<FigureSample> RenderFigure(const FigureView& view, int width, int height);

// The figure's colour ramps, dark to light: the true colours from which the
// sprite's table colours are dithered, and the icon's colours.
const std::vector<uint32_t>& MaterialRamp(int material);

}  // namespace art
