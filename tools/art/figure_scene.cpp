// Nava, the saver's figure: a round, apricot-furred snow creature in a knitted
// teal hat with a pompom, long floppy ears, a striped red scarf, teal mittens
// and navy boots. Seen from the front, so it can walk either way.
#include "tools/art/figure_scene.h"

#include <cmath>
#include <functional>

#include "tools/art/shapes.h"

namespace art {
namespace {

using Field = std::function<double(double, double)>;

struct Layer {
  Field sdf;
  int material = kFur;
  double bevel = 8;          // radius of the rounded edge, in figure units
  bool decal = false;        // painted on the layer beneath: takes its relief
  bool lined = true;         // darkest shade along its edge
  bool flat = false;         // no relief shading: `shadeAt` decides alone
  Field shadeAt;             // optional: shade offset (or the shade when flat)
  std::function<int(double, double)> materialAt;  // optional: per point
};

const double kCentre = 128;  // the figure is symmetric about x = 128
double Mirror(double x) { return 2 * kCentre - x; }

// A round body, a little wider below: one soft egg for head and belly.
double BodySd(double x, double y) {
  double widen = 1 + 0.07 * Clamp((y - 88) / 54, -1.0, 1.0);
  double sd = SdEllipse(128 + (x - 128) / widen, y, 128, 88, 54, 54);
  // Fluffy tufts along the cheeks and flanks, none on the crown or the seat.
  double angle = std::atan2(y - 88, x - 128);
  double flank = Clamp(1 - std::fabs(std::fabs(angle) - M_PI / 2) / (M_PI / 2), 0.0, 1.0);
  flank = 1 - flank;  // 1 at the sides, 0 at top and bottom
  double nearEdge = Clamp(1 + sd / 4, 0.0, 1.0);  // the relief inside stays smooth
  return sd + 1.3 * nearEdge * flank * flank * (0.5 + 0.5 * std::cos(angle * 22));
}
double HeadSd(double x, double y) { return BodySd(x, y); }

double EarSd(double x, double y, bool shortEars) {
  double a = SdTaperedSegment(x, y, 86, 56, 50, 66, 15, 13);
  if (shortEars) return SdTaperedSegment(x, y, 86, 56, 62, 66, 15, 12.5);
  return SmoothMin(a, SdTaperedSegment(x, y, 50, 66, 20, 90, 13, 10), 4);
}

double ArmSd(double x, double y) { return SdTaperedSegment(x, y, 86, 112, 60, 108, 9, 8); }
double MittenSd(double x, double y) {
  return SmoothMin(SdCircle(x, y, 54, 108, 11), SdCircle(x, y, 61, 97, 4.8), 3);
}

double ScarfCentreLine(double x) {
  double u = (x - kCentre) / 58;
  return 102 + 6 * std::sqrt(std::fmax(0.0, 1 - u * u));
}
double ScarfBandSd(double x, double y) {
  return std::fmax(BodySd(x, y) - 2.5, std::fabs(y - ScarfCentreLine(x)) - 6.5);
}
const double kTailAx = 146, kTailAy = 106, kTailBx = 157, kTailBy = 134;
double ScarfTailSd(double x, double y) {
  double tail = SdTaperedSegment(x, y, kTailAx, kTailAy, kTailBx, kTailBy, 7.5, 7);
  double fringe = 1e9;
  for (int i = 0; i < 4; ++i) {
    double fx = kTailBx - 5.4 + 3.6 * i + 0.4 * i;
    fringe = std::fmin(fringe, SdTaperedSegment(x, y, fx, kTailBy + 2, fx + 0.6, kTailBy + 9, 1.3, 1.1));
  }
  return std::fmin(tail, fringe);
}

double BrimCentreLine(double x) {
  double u = (x - kCentre) / 58;
  return 47 + 4 * std::sqrt(std::fmax(0.0, 1 - u * u));
}

std::vector<Layer> BuildLayers(bool shortEars, double eyeScale) {
  const double k = eyeScale;
  std::vector<Layer> layers;
  auto add = [&](Layer l) { layers.push_back(l); };

  for (int side = 0; side < 2; ++side) {
    auto mx = [side](double x) { return side ? Mirror(x) : x; };
    Layer ear;
    ear.sdf = [mx, shortEars](double x, double y) { return EarSd(mx(x), y, shortEars); };
    ear.bevel = 9;
    add(ear);
    Layer inner;
    inner.sdf = [mx, shortEars](double x, double y) {
      return std::fmax(EarSd(mx(x), y, shortEars) + 5.5, HeadSd(mx(x), y) > 0 ? -1e9 : 1e9);
    };
    inner.material = kEarPink;
    inner.decal = true;
    inner.lined = false;
    add(inner);
  }
  for (int side = 0; side < 2; ++side) {
    auto mx = [side](double x) { return side ? Mirror(x) : x; };
    Layer arm;
    arm.sdf = [mx](double x, double y) { return ArmSd(mx(x), y); };
    arm.bevel = 7;
    add(arm);
    Layer mitten;
    mitten.sdf = [mx](double x, double y) { return MittenSd(mx(x), y); };
    mitten.material = kKnit;
    mitten.bevel = 9;
    add(mitten);
  }

  Layer body;
  body.sdf = BodySd;
  body.bevel = 44;
  add(body);

  Layer belly;
  belly.sdf = [](double x, double y) { return SdEllipse(x, y, 128, 124, 34, 19); };
  belly.material = kCream;
  belly.decal = true;
  belly.lined = false;
  add(belly);

  Layer muzzle;
  muzzle.sdf = [](double x, double y) { return SdEllipse(x, y, 128, 91, 16, 10); };
  muzzle.material = kCream;
  muzzle.decal = true;
  muzzle.lined = false;
  add(muzzle);

  for (int side = 0; side < 2; ++side) {
    auto mx = [side](double x) { return side ? Mirror(x) : x; };
    Layer cheek;
    cheek.sdf = [mx](double x, double y) { return SdEllipse(mx(x), y, 93, 91, 8, 5); };
    cheek.material = kBlush;
    cheek.decal = true;
    cheek.lined = false;
    add(cheek);
  }

  for (int side = 0; side < 2; ++side) {
    Layer boot;
    boot.sdf = [side](double x, double y) {
      return SdEllipse(side ? Mirror(x) : x, y, 106, 137.5, 17, 8);
    };
    boot.material = kBoot;
    boot.bevel = 7;
    add(boot);
  }

  Layer band;
  band.sdf = ScarfBandSd;
  band.material = kScarf;
  band.bevel = 6;
  band.materialAt = [](double x, double) {
    double u = std::fmod(x - kCentre + 700, 14.0);
    return u < 4.5 ? kStripe : kScarf;
  };
  band.shadeAt = [](double x, double y) {  // knitted rows
    return 0.05 * std::cos((y - ScarfCentreLine(x)) * 2.1);
  };
  add(band);

  Layer tail;
  tail.sdf = ScarfTailSd;
  tail.material = kScarf;
  tail.bevel = 6;
  tail.materialAt = [](double x, double y) {
    double vx = kTailBx - kTailAx, vy = kTailBy - kTailAy;
    double along = ((x - kTailAx) * vx + (y - kTailAy) * vy) / std::hypot(vx, vy);
    if (y > kTailBy + 1.5) return kStripe;  // the fringe
    double u = std::fmod(along + 140, 11.0);
    return (u > 5 && u < 8.5) ? kStripe : kScarf;
  };
  add(tail);

  Layer dome;
  dome.sdf = [](double x, double y) {
    return std::fmax(SdEllipse(x, y, 128, 60, 53, 40), y - BrimCentreLine(x));
  };
  dome.material = kKnit;
  dome.bevel = 30;
  dome.shadeAt = [](double x, double y) {  // ribs converging to the crown
    double half = 53 * std::sqrt(std::fmax(0.02, 1 - std::pow((y - 60) / 40, 2)));
    return 0.07 * std::cos((x - kCentre) / half * 9 * M_PI);
  };
  add(dome);

  Layer brim;
  brim.sdf = [](double x, double y) {
    return SdRoundBox(x - kCentre, y - BrimCentreLine(x), 57, 6.5, 5);
  };
  brim.material = kSnow;
  brim.bevel = 6;
  brim.shadeAt = [](double x, double) { return 0.06 * std::cos(x * 2 * M_PI / 4.5); };
  add(brim);

  Layer pompom;
  pompom.sdf = [](double x, double y) {
    double wobble = 0.8 * std::sin(std::atan2(y - 18, x - kCentre) * 9);
    return SdCircle(x, y, kCentre, 18, 12.5) + wobble;
  };
  pompom.material = kSnow;
  pompom.bevel = 12;
  pompom.shadeAt = [](double x, double y) {
    return 0.09 * (Hash01(static_cast<int>(x), static_cast<int>(y), 7) - 0.5);
  };
  add(pompom);

  for (int side = 0; side < 2 && eyeScale > 0; ++side) {
    auto mx = [side](double x) { return side ? Mirror(x) : x; };
    Layer eye;
    eye.sdf = [mx, k](double x, double y) { return SdEllipse(mx(x), y, 108, 76, 7 * k, 9.5 * k); };
    eye.material = kEye;
    eye.flat = true;
    eye.lined = false;
    eye.shadeAt = [k](double, double y) {  // glossy: lighter towards the bottom
      return 0.1 + 0.9 * std::pow(Clamp((y - 76 + 6 * k) / (9.5 * k + 6 * k), 0.0, 1.0), 1.6);
    };
    add(eye);
    // The glints sit to the upper left of both eyes: one light, one world.
    Layer glint;
    glint.sdf = [side, k](double x, double y) {
      double cx = side ? Mirror(108) - 2.5 * k : 108 - 2.5 * k;
      return std::fmin(SdCircle(x, y, cx, 76 - 3.5 * k, 3 * k),
                       SdCircle(x, y, cx + 5.5 * k, 76 + 5 * k, 1.4 * k));
    };
    glint.material = kGlint;
    glint.flat = true;
    glint.lined = false;
    glint.shadeAt = [](double, double) { return 1.0; };
    add(glint);
  }

  Layer nose;
  nose.sdf = [](double x, double y) { return SdEllipse(x, y, 128, 86, 4.5, 3.2); };
  nose.material = kMouth;
  nose.bevel = 3;
  nose.lined = false;
  add(nose);

  Layer mouth;
  mouth.sdf = [](double x, double y) {
    return std::fmax(SdEllipse(x, y, 128, 92.5, 5.5, 5.5), 91.5 - y);
  };
  mouth.material = kMouth;
  mouth.flat = true;
  mouth.lined = false;
  mouth.shadeAt = [](double, double) { return 0.15; };
  add(mouth);

  Layer tongue;
  tongue.sdf = [](double x, double y) {
    return std::fmax(SdEllipse(x, y, 128, 97.5, 3.8, 2.6), SdEllipse(x, y, 128, 92.5, 5.5, 5.5));
  };
  tongue.material = kTongue;
  tongue.bevel = 2;
  tongue.lined = false;
  add(tongue);
  return layers;
}

// A rounded profile: rises like a quarter circle of radius `bevel` from the
// edge, flat beyond it.
double Height(const Layer& layer, double x, double y) {
  double d = Clamp(-layer.sdf(x, y), 0.0, layer.bevel);
  double t = 1 - d / layer.bevel;
  return layer.bevel * std::sqrt(1 - t * t);
}

struct Light {
  double x, y, z;
};
Light Normalised(double x, double y, double z) {
  double n = std::sqrt(x * x + y * y + z * z);
  return {x / n, y / n, z / n};
}

}  // namespace

std::vector<FigureSample> RenderFigure(const FigureView& view, int width, int height) {
  const std::vector<Layer> layers = BuildLayers(view.shortEars, view.eyeScale);
  const Light toLight = Normalised(-0.5, -0.75, 0.55);   // from the upper left
  const Light halfway = Normalised(toLight.x, toLight.y, toLight.z + 1);
  const double s = view.pixelSize;
  std::vector<FigureSample> out(static_cast<size_t>(width) * height);

  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px) {
      double x = view.originX + (px + 0.5) * s, y = view.originY + (py + 0.5) * s;
      FigureSample& sample = out[static_cast<size_t>(py) * width + px];
      int front = -1;
      for (int i = static_cast<int>(layers.size()) - 1; i >= 0; --i)
        if (layers[i].sdf(x, y) < 0) {
          front = i;
          break;
        }
      if (front < 0) {
        // The silhouette's outline lies outside the shapes: darker further out.
        double nearest = 1e9;
        for (const Layer& l : layers)
          if (!l.decal) nearest = std::fmin(nearest, l.sdf(x, y));
        nearest /= s;
        if (nearest < view.outline) {
          sample.opaque = true;
          sample.material = kOutline;
          sample.shade = nearest < view.outline / 2 ? 1 : 0;
        }
        continue;
      }
      const Layer& top = layers[front];
      int reliefIndex = front;
      if (top.decal)
        for (int i = front - 1; i >= 0; --i)
          if (!layers[i].decal && layers[i].sdf(x, y) < 0) {
            reliefIndex = i;
            break;
          }
      const Layer& relief = layers[reliefIndex];
      sample.opaque = true;
      sample.material = top.materialAt ? top.materialAt(x, y) : top.material;

      if (top.flat) {
        sample.shade = Clamp(top.shadeAt(x, y), 0.0, 1.0);
        continue;
      }
      if (top.lined && -top.sdf(x, y) / s < 1.0) {
        sample.shade = 0;
        continue;
      }
      const double e = 0.75;
      double hx = (Height(relief, x + e, y) - Height(relief, x - e, y)) / (2 * e);
      double hy = (Height(relief, x, y + e) - Height(relief, x, y - e)) / (2 * e);
      Light n = Normalised(-hx, -hy, 1);
      double diffuse = std::fmax(0.0, n.x * toLight.x + n.y * toLight.y + n.z * toLight.z);
      double specular = std::pow(std::fmax(0.0, n.x * halfway.x + n.y * halfway.y + n.z * halfway.z), 40);
      // Cool bounce light from the snow on the lower right edges.
      double rim = std::pow(1 - n.z, 2) * std::fmax(0.0, 0.6 * n.x + 0.8 * n.y);
      double shade = 0.16 + 0.8 * diffuse + 0.45 * specular + 0.35 * rim;
      // Shadows cast by parts in front, falling down and to the right.
      double sx = x + 3.5 * toLight.x / std::hypot(toLight.x, toLight.y);
      double sy = y + 3.5 * toLight.y / std::hypot(toLight.x, toLight.y);
      for (size_t i = front + 1; i < layers.size(); ++i)
        if (!layers[i].decal && !layers[i].flat && layers[i].sdf(sx, sy) < 0) {
          shade *= 0.62;
          break;
        }
      if (top.shadeAt) shade += top.shadeAt(x, y);
      sample.shade = Clamp(shade, 0.0, 1.0);
    }
  return out;
}

namespace {

struct RampTable {
  std::vector<uint32_t> ramps[kMaterialCount];
};

const RampTable& Ramps() {
  static const RampTable table = [] {
    RampTable t;
    t.ramps[kOutline] = {Rgb(76, 32, 68), Rgb(126, 56, 90)};
    t.ramps[kFur] = MakeRamp({Rgb(104, 40, 46), Rgb(196, 92, 54), Rgb(240, 152, 76),
                              Rgb(255, 214, 150)}, 18);
    t.ramps[kCream] = MakeRamp({Rgb(150, 96, 86), Rgb(238, 206, 170), Rgb(255, 244, 222)}, 12);
    t.ramps[kEarPink] = MakeRamp({Rgb(132, 52, 76), Rgb(232, 124, 138), Rgb(255, 196, 196)}, 8);
    t.ramps[kBlush] = MakeRamp({Rgb(214, 104, 112), Rgb(250, 156, 150)}, 4);
    t.ramps[kMouth] = MakeRamp({Rgb(44, 18, 30), Rgb(112, 42, 54)}, 4);
    t.ramps[kTongue] = MakeRamp({Rgb(168, 58, 74), Rgb(242, 122, 124)}, 4);
    t.ramps[kEye] = MakeRamp({Rgb(18, 14, 38), Rgb(40, 36, 86), Rgb(84, 96, 168)}, 6);
    t.ramps[kKnit] = MakeRamp({Rgb(16, 56, 80), Rgb(28, 132, 150), Rgb(96, 204, 196),
                               Rgb(196, 246, 228)}, 14);
    t.ramps[kSnow] = MakeRamp({Rgb(92, 116, 170), Rgb(186, 210, 238), Rgb(246, 250, 254)}, 8);
    t.ramps[kScarf] = MakeRamp({Rgb(86, 18, 44), Rgb(198, 44, 60), Rgb(244, 96, 84),
                                Rgb(255, 168, 140)}, 14);
    t.ramps[kStripe] = MakeRamp({Rgb(140, 86, 34), Rgb(244, 196, 72), Rgb(255, 244, 186)}, 8);
    t.ramps[kBoot] = MakeRamp({Rgb(28, 28, 68), Rgb(76, 76, 156), Rgb(166, 168, 232)}, 8);
    t.ramps[kGlint] = {Rgb(255, 251, 240)};
    return t;
  }();
  return table;
}

}  // namespace

const std::vector<uint32_t>& MaterialRamp(int material) { return Ramps().ramps[material]; }

}  // namespace art
