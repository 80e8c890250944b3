#include "host/cover_rects.h"

#include <algorithm>

namespace {

// Edges in 64 bits: x + width of any two 32-bit numbers fits.
struct Edges {
  int64_t left, top, right, bottom;
};

void Add(int64_t left, int64_t top, int64_t right, int64_t bottom, ScreenRect covers[],
         int* count) {
  if (left >= right || top >= bottom) return;
  // Every edge lies within the virtual screen, so the width and height fit
  // the 32 bits that the virtual screen's own did.
  covers[*count] = {static_cast<int32_t>(left), static_cast<int32_t>(top),
                    static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
  ++*count;
}

}  // namespace

int ComputeCoverRects(const ScreenRect& virtualScreen, int32_t primaryWidth,
                      int32_t primaryHeight, ScreenRect covers[kMaxCoverRects]) {
  if (virtualScreen.width <= 0 || virtualScreen.height <= 0) return 0;
  const Edges v = {virtualScreen.x, virtualScreen.y,
                   int64_t{virtualScreen.x} + virtualScreen.width,
                   int64_t{virtualScreen.y} + virtualScreen.height};
  // The primary display as far as it lies within the virtual screen; an
  // empty one (no overlap) leaves the whole virtual screen to cover.
  const Edges p = {std::clamp<int64_t>(0, v.left, v.right), std::clamp<int64_t>(0, v.top, v.bottom),
                   std::clamp<int64_t>(std::max(primaryWidth, 0), v.left, v.right),
                   std::clamp<int64_t>(std::max(primaryHeight, 0), v.top, v.bottom)};
  int count = 0;
  if (p.left >= p.right || p.top >= p.bottom) {
    Add(v.left, v.top, v.right, v.bottom, covers, &count);
    return count;
  }
  Add(v.left, v.top, v.right, p.top, covers, &count);
  Add(v.left, p.bottom, v.right, v.bottom, covers, &count);
  Add(v.left, p.top, p.left, p.bottom, covers, &count);
  Add(p.right, p.top, v.right, p.bottom, covers, &count);
  return count;
}
