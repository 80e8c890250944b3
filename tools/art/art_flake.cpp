// The flake strip: a six-armed ice crystal in four cells, each turned 15
// degrees further, so that the fourth cell leads back into the first (the
// crystal repeats every 60 degrees).
#include <cmath>

#include "tools/art/art.h"
#include "tools/art/figure_scene.h"
#include "tools/art/shapes.h"

namespace art {
namespace {

enum FlakeEntry : uint8_t {
  kFlakeClear = 0,
  kFlakeDeep = 1,
  kFlakeMid = 2,
  kFlakePale = 3,
  kFlakeSnow = 4,  // shared with the figure's table
  kFlakeWhite = 255,
};

// Distance to the crystal centred at the origin, turned by `angle`; `spine`
// gets the distance to the arms' centre lines.
double CrystalSd(double x, double y, double angle, double* spine) {
  double best = 1e9, bestSpine = 1e9;
  for (int arm = 0; arm < 6; ++arm) {
    double a = angle + arm * M_PI / 3;
    double ux = std::cos(a), uy = std::sin(a);
    // In the arm's frame: along the arm, and across it.
    double along = x * ux + y * uy, across = -x * uy + y * ux;
    double d = SdTaperedSegment(along, across, 0, 0, 13.4, 0, 1.5, 1.0);
    bestSpine = std::fmin(bestSpine, SdTaperedSegment(along, across, 0, 0, 12.2, 0, 0, 0));
    const double kBranchAt[2] = {6.0, 9.6}, kBranchLength[2] = {4.4, 2.8};
    for (int b = 0; b < 2; ++b)
      for (int sign = -1; sign <= 1; sign += 2) {
        double ex = kBranchAt[b] + kBranchLength[b] * 0.5;
        double ey = sign * kBranchLength[b] * 0.866;
        d = std::fmin(d, SdTaperedSegment(along, across, kBranchAt[b], 0, ex, ey, 1.15, 0.8));
      }
    best = std::fmin(best, d);
  }
  double r = std::hypot(x, y);
  // A small hexagonal plate at the heart.
  double hex = 0;
  {
    double a = std::atan2(y, x) - angle;
    double sector = std::fmod(std::fmod(a, M_PI / 3) + M_PI / 3, M_PI / 3) - M_PI / 6;
    hex = r * std::cos(sector) - 3.4;
  }
  best = std::fmin(best, hex);
  if (spine) *spine = std::fmin(bestSpine, r);
  return best;
}

}  // namespace

void DrawFlakeStrip(const IndexedImage& figure, IndexedImage& strip, IndexedImage& mask) {
  strip = MakeImage(128, 32);
  mask = MakeImage(128, 32);
  strip.table[kFlakeDeep] = Rgb(58, 104, 196);
  strip.table[kFlakeMid] = Rgb(118, 176, 238);
  strip.table[kFlakePale] = Rgb(196, 228, 255);
  // The heart takes the figure's table colour nearest to a light snow shade.
  const uint32_t snow = MaterialRamp(kSnow)[5];
  int bestDistance = 1 << 30;
  for (int e = 8; e <= 117; ++e) {
    uint32_t c = figure.table[e];
    int r = RedOf(c) - RedOf(snow), g = GreenOf(c) - GreenOf(snow), b = BlueOf(c) - BlueOf(snow);
    if (r * r + g * g + b * b < bestDistance) {
      bestDistance = r * r + g * g + b * b;
      strip.table[kFlakeSnow] = c;
    }
  }
  strip.table[kFlakeWhite] = Rgb(255, 255, 255);
  mask.table[255] = Rgb(255, 255, 255);

  const int kSub = 4;
  for (int cell = 0; cell < 4; ++cell) {
    double angle = M_PI / 2 + cell * M_PI / 12;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        int inside = 0;
        for (int sy = 0; sy < kSub; ++sy)
          for (int sx = 0; sx < kSub; ++sx) {
            double px = x + (sx + 0.5) / kSub - 16, py = y + (sy + 0.5) / kSub - 16;
            if (CrystalSd(px, py, angle, nullptr) < 0) ++inside;
          }
        double coverage = static_cast<double>(inside) / (kSub * kSub);
        double spine = 0;
        double depth = -CrystalSd(x + 0.5 - 16, y + 0.5 - 16, angle, &spine);
        double r = std::hypot(x + 0.5 - 16, y + 0.5 - 16);
        uint8_t entry = kFlakeClear;
        if (coverage >= 0.55) {
          if (r < 1.6 || (spine < 0.5 && depth > 0.3 && r > 9.5))
            entry = kFlakeWhite;  // the heart and the glinting tips
          else if (r < 4.2)
            entry = kFlakeSnow;
          else
            entry = kFlakePale;
        } else if (coverage >= 0.3) {
          entry = kFlakeMid;
        } else if (coverage >= 0.1) {
          entry = kFlakeDeep;
        }
        strip.At(cell * 32 + x, y) = entry;
        mask.At(cell * 32 + x, y) = entry == kFlakeClear ? 255 : 0;
      }
  }
}

}  // namespace art
