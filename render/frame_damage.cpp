#include "render/frame_damage.h"

#include <algorithm>

#include "render/compose.h"

namespace {

int64_t Area(const DamageRect& r) {
  return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top);
}

// Sprite positions may lie far outside the screen: add in 64 bits, then clip.
void AddSized(FrameDamage* damage, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int64_t right = static_cast<int64_t>(x) + w, bottom = static_cast<int64_t>(y) + h;
  AddDamage(damage, x, y, static_cast<int32_t>(std::min<int64_t>(right, INT32_MAX)),
            static_cast<int32_t>(std::min<int64_t>(bottom, INT32_MAX)));
}

}  // namespace

void ResetDamage(FrameDamage* damage, int32_t screenWidth, int32_t screenHeight) {
  damage->screenWidth = std::max(screenWidth, 0);
  damage->screenHeight = std::max(screenHeight, 0);
  damage->whole = true;
  damage->count = 0;
}

void ClearDamage(FrameDamage* damage) {
  damage->whole = false;
  damage->count = 0;
}

void DamageWholeScreen(FrameDamage* damage) {
  damage->whole = true;
  damage->count = 0;
}

void AddDamage(FrameDamage* damage, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (damage->whole) return;
  DamageRect r = {std::max(left, 0), std::max(top, 0), std::min(right, damage->screenWidth),
                  std::min(bottom, damage->screenHeight)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  for (int32_t i = 0; i < damage->count; ++i) {
    DamageRect& p = damage->rects[i];
    const DamageRect box = {std::min(p.left, r.left), std::min(p.top, r.top),
                            std::max(p.right, r.right), std::max(p.bottom, r.bottom)};
    if (Area(box) <= Area(p) + Area(r)) {
      p = box;
      return;
    }
  }
  if (damage->count == kDamageCapacity) {
    DamageWholeScreen(damage);
    return;
  }
  damage->rects[damage->count++] = r;
}

void AddComposeDamage(FrameDamage* damage, const Scene& scene) {
  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  const int32_t half = FarFlakeCount(count);
  for (int32_t i = 0; i < half; ++i) {
    AddSized(damage, scene.flakes[i].x, scene.flakes[i].y, kFarFlakeSize, kFarFlakeSize);
  }
  AddSized(damage, scene.figure.x, scene.figure.y, kFigureWidth, kFigureHeight);
  for (int32_t i = half; i < count; ++i) {
    AddSized(damage, scene.flakes[i].x, scene.flakes[i].y, kFlakeSize, kFlakeSize);
  }
}

void AddEraseDamage(FrameDamage* damage, const Scene& scene) {
  const FigurePos& p = scene.figure.previousFigurePos;
  AddSized(damage, p.x, p.y, kFigureWidth, kFigureHeight);
  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  for (int32_t i = 0; i < count; ++i) {
    AddSized(damage, scene.flakes[i].x, scene.flakes[i].y, kFlakeEraseSize, kFlakeEraseSize);
  }
}

int64_t DamagedPixelCount(const FrameDamage& damage) {
  if (damage.whole) return static_cast<int64_t>(damage.screenWidth) * damage.screenHeight;
  int64_t total = 0;
  for (int32_t i = 0; i < damage.count; ++i) total += Area(damage.rects[i]);
  return total;
}
