#pragma once
// Drawing helpers of the art generator: signed distances (negative inside,
// in pixels), colour ramps and a repeatable noise.
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

inline uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}
inline int RedOf(uint32_t c) { return (c >> 16) & 0xFF; }
inline int GreenOf(uint32_t c) { return (c >> 8) & 0xFF; }
inline int BlueOf(uint32_t c) { return c & 0xFF; }

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// Distance to an ellipse, scaled so that it is exact on the axes; good enough
// for the gentle ellipses of the art.
inline double SdEllipse(double px, double py, double cx, double cy, double rx, double ry) {
  double dx = (px - cx) / rx, dy = (py - cy) / ry;
  return (std::sqrt(dx * dx + dy * dy) - 1.0) * std::fmin(rx, ry);
}

inline double SdCircle(double px, double py, double cx, double cy, double r) {
  return std::hypot(px - cx, py - cy) - r;
}

// A segment from a to b whose radius goes from ra to rb.
inline double SdTaperedSegment(double px, double py, double ax, double ay, double bx, double by,
                               double ra, double rb) {
  double vx = bx - ax, vy = by - ay;
  double t = Clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
  return std::hypot(px - ax - t * vx, py - ay - t * vy) - (ra + (rb - ra) * t);
}

// A box of half sizes hx, hy centred at the origin, corners rounded by r.
inline double SdRoundBox(double px, double py, double hx, double hy, double r) {
  double qx = std::fabs(px) - hx + r, qy = std::fabs(py) - hy + r;
  double ox = std::fmax(qx, 0.0), oy = std::fmax(qy, 0.0);
  return std::hypot(ox, oy) + std::fmin(std::fmax(qx, qy), 0.0) - r;
}

// Union with a rounded seam of width k.
inline double SmoothMin(double a, double b, double k) {
  double h = Clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
  return b + (a - b) * h - k * h * (1.0 - h);
}

// Repeatable noise in [0, 1) for a pixel.
inline double Hash01(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^
               static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return (h >> 8) / 16777216.0;
}

// `count` colours from dark to light through the given key colours, evenly
// spaced along the keys.
inline std::vector<uint32_t> MakeRamp(const std::vector<uint32_t>& keys, int count) {
  std::vector<uint32_t> ramp;
  for (int i = 0; i < count; ++i) {
    double t = count == 1 ? 0.5 : static_cast<double>(i) / (count - 1);
    double pos = t * (keys.size() - 1);
    int k = static_cast<int>(pos);
    if (k >= static_cast<int>(keys.size()) - 1) k = static_cast<int>(keys.size()) - 2;
    double f = pos - k;
    auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
    ramp.push_back(Rgb(mix(RedOf(keys[k]), RedOf(keys[k + 1])),
                       mix(GreenOf(keys[k]), GreenOf(keys[k + 1])),
                       mix(BlueOf(keys[k]), BlueOf(keys[k + 1]))));
  }
  return ramp;
}

}  // namespace art
