// The figure image, its mask and the figure's colour table.
//
// Every colour of the figure is one that a 256-colour display shows exactly
// even where its device bitmaps ignore the realised palette and keep to the
// display's default 8-bit table: the 20 static colours and a colour cube of
// red and green in steps of 32 and blue in steps of 64. Each material's ramp
// is dithered onto the cube, so that neighbouring cube colours mix to the
// ramp's own colour.
#include <algorithm>
#include <map>
#include <cmath>

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

namespace {

// The default table of 8-bit device bitmaps: static colours at 0..9 and
// 246..255, between them the cube entry i with red (i & 7) * 32, green
// ((i >> 3) & 7) * 32 and blue (i >> 6) * 64.
std::vector<uint32_t> DisplayColours() {
  static const uint32_t kStatic[20] = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),     Rgb(128, 128, 0),
      Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128),   Rgb(192, 192, 192),
      Rgb(192, 220, 192), Rgb(166, 202, 240), Rgb(255, 251, 240), Rgb(160, 160, 164),
      Rgb(128, 128, 128), Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(255, 255, 0),
      Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(255, 255, 255)};
  std::vector<uint32_t> colours(kStatic, kStatic + 20);
  for (int i = 10; i < 246; ++i) colours.push_back(Rgb((i & 7) * 32, ((i >> 3) & 7) * 32, (i >> 6) * 64));
  return colours;
}

// The display colours that the figure may take: all but the reserved ones,
// which keep their own entries, and one that does not suit it.
const std::vector<uint32_t>& FigureCandidates() {
  static const std::vector<uint32_t> candidates = [] {
    std::vector<uint32_t> out;
    for (uint32_t c : DisplayColours()) {
      bool reserved = std::find(kReservedLow, kReservedLow + 8, c) != kReservedLow + 8 ||
                      std::find(kReservedHigh, kReservedHigh + 9, c) != kReservedHigh + 9;
      // The grey green static colour would tint the fur's highlights.
      if (c == Rgb(192, 220, 192)) continue;
      if (!reserved && std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
    }
    return out;
  }();
  return candidates;
}

// Squared distance, green weighted most and blue least, as the eye does.
int Distance(uint32_t a, uint32_t b) {
  int r = RedOf(a) - RedOf(b), g = GreenOf(a) - GreenOf(b), bl = BlueOf(a) - BlueOf(b);
  return 3 * r * r + 4 * g * g + 2 * bl * bl;
}

uint32_t NearestCandidate(uint32_t colour) {
  uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (uint32_t c : FigureCandidates()) {
    int d = Distance(colour, c);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

// A material's true colour at a shade, between the steps of its ramp.
uint32_t RampAt(int material, double shade) {
  const std::vector<uint32_t>& ramp = MaterialRamp(material);
  if (ramp.size() == 1) return ramp[0];
  double pos = Clamp(shade, 0.0, 1.0) * (ramp.size() - 1);
  size_t k = std::min(static_cast<size_t>(pos), ramp.size() - 2);
  double f = pos - k;
  auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
  return Rgb(mix(RedOf(ramp[k]), RedOf(ramp[k + 1])), mix(GreenOf(ramp[k]), GreenOf(ramp[k + 1])),
             mix(BlueOf(ramp[k]), BlueOf(ramp[k + 1])));
}

// A 4 x 4 ordered dither onto the cube, channel by channel, so that the
// neighbouring cube colours mix to the true colour. Where that lands on a
// colour the figure may not take (the reserved ones, and the lightest blues
// that the static colours replace), the nearest one it may take to the
// shifted true colour stands in.
uint32_t DitherToDisplay(uint32_t colour, int x, int y) {
  static const int kBayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  const double offset = (kBayer[(y & 3) * 4 + (x & 3)] + 0.5) / 16 - 0.5;
  // Red and blue take the pattern shifted, so that the three channels do not
  // all step at the same pixels: a finer mix, of more colours.
  const double redOffset = (kBayer[((y + 1) & 3) * 4 + ((x + 1) & 3)] + 0.5) / 16 - 0.5;
  const double blueOffset = (kBayer[((y + 2) & 3) * 4 + ((x + 2) & 3)] + 0.5) / 16 - 0.5;
  // Red and green end at 224: a light warm colour is dimmed as a whole, so
  // that its hue holds instead of its red flattening out towards yellow.
  const int warm = std::max(RedOf(colour), GreenOf(colour));
  if (warm > 224 && BlueOf(colour) < 200) {
    auto dim = [warm](int v) { return static_cast<int>(std::lround(v * 224.0 / warm)); };
    colour = Rgb(dim(RedOf(colour)), dim(GreenOf(colour)), dim(BlueOf(colour)));
  }
  auto channel = [](int value, int step, int top, double offset) {
    int level = static_cast<int>(std::floor(value / static_cast<double>(step) + offset + 0.5));
    return std::min(std::max(level * step, 0), top);
  };
  uint32_t cube = Rgb(channel(RedOf(colour), 32, 224, redOffset), channel(GreenOf(colour), 32, 224, offset),
                      channel(BlueOf(colour), 64, 192, blueOffset));
  const std::vector<uint32_t>& candidates = FigureCandidates();
  if (std::find(candidates.begin(), candidates.end(), cube) != candidates.end()) return cube;
  auto shifted = [](int value, int step, double offset) {
    return std::min(std::max(static_cast<int>(std::lround(value + offset * step)), 0), 255);
  };
  return NearestCandidate(Rgb(shifted(RedOf(colour), 32, redOffset), shifted(GreenOf(colour), 32, offset),
                              shifted(BlueOf(colour), 64, blueOffset)));
}

}  // namespace

void DrawFigure(IndexedImage& figure, IndexedImage& mask) {
  figure = MakeImage(256, 148);
  mask = MakeImage(256, 148);
  for (int i = 0; i < 8; ++i) figure.table[i] = kReservedLow[i];
  for (int i = 0; i < 9; ++i) figure.table[247 + i] = kReservedHigh[i];
  mask.table[255] = Rgb(255, 255, 255);

  const uint32_t glint = MaterialRamp(kGlint)[0];
  FigureView view;
  std::vector<FigureSample> samples = RenderFigure(view, 256, 148);
  std::vector<uint32_t> colours(samples.size());
  std::map<uint32_t, int> uses;
  for (int y = 0; y < 148; ++y)
    for (int x = 0; x < 256; ++x) {
      const FigureSample& s = samples[y * 256 + x];
      if (!s.opaque) continue;
      uint32_t& c = colours[y * 256 + x];
      c = s.material == kGlint ? glint : DitherToDisplay(RampAt(s.material, s.shade), x, y);
      if (c != glint) ++uses[c];
    }
  // Entries 8..117 hold 110 colours: while the dither wants more, the
  // rarest gives way to the nearest of the others.
  std::map<uint32_t, uint32_t> replaced;
  while (uses.size() > 110) {
    auto rarest = uses.begin();
    for (auto it = uses.begin(); it != uses.end(); ++it)
      if (it->second < rarest->second) rarest = it;
    uint32_t gone = rarest->first;
    int count = rarest->second;
    uses.erase(rarest);
    uint32_t best = uses.begin()->first;
    for (const auto& u : uses)
      if (Distance(u.first, gone) < Distance(best, gone)) best = u.first;
    uses[best] += count;
    replaced[gone] = best;
  }
  std::map<uint32_t, uint8_t> entryOf;
  figure.table[246] = glint;
  entryOf[glint] = 246;
  int next = 8;
  for (const auto& u : uses) {
    figure.table[next] = u.first;
    entryOf[u.first] = static_cast<uint8_t>(next++);
  }
  // Entries that no pixel needs hold further display colours, so that the
  // table keeps 111 colours of its own.
  for (uint32_t c : FigureCandidates())
    if (next <= 117 && !entryOf.count(c)) {
      figure.table[next] = c;
      entryOf[c] = static_cast<uint8_t>(next++);
    }

  for (int y = 0; y < 148; ++y)
    for (int x = 0; x < 256; ++x) {
      if (!samples[y * 256 + x].opaque) {
        mask.At(x, y) = 255;
        continue;
      }
      uint32_t c = colours[y * 256 + x];
      while (replaced.count(c)) c = replaced[c];
      figure.At(x, y) = entryOf[c];
    }
}

}  // namespace art
