#pragma once
// What any answer of ComputeCoverRects must satisfy: the covers lie inside the
// virtual screen, outside the primary display, do not overlap, and together
// are all of the virtual screen outside the primary display. Shared by the
// table test and the fuzzer; the first broken rule is named.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "host/cover_rects.h"

namespace cover_check {

struct Box {
  int64_t left, top, right, bottom;
};

inline Box ToBox(const ScreenRect& r) {
  return {r.x, r.y, int64_t{r.x} + r.width, int64_t{r.y} + r.height};
}

inline bool Contains(const Box& b, int64_t x, int64_t y) {
  return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

// An empty string when every rule holds. Exact for any 32-bit numbers: the
// plane is cut into cells by every edge, and each cell is tested by one of
// its points.
inline std::string BrokenRule(const ScreenRect& virtualScreen, int32_t primaryWidth,
                              int32_t primaryHeight, const ScreenRect* covers, int count) {
  if (count < 0 || count > kMaxCoverRects) return "count out of range";
  const bool empty = virtualScreen.width <= 0 || virtualScreen.height <= 0;
  if (empty) return count == 0 ? "" : "covers for an empty virtual screen";
  const Box v = ToBox(virtualScreen);
  const Box p = {0, 0, std::max<int64_t>(primaryWidth, 0), std::max<int64_t>(primaryHeight, 0)};
  std::vector<int64_t> xs = {v.left, v.right, p.left, p.right};
  std::vector<int64_t> ys = {v.top, v.bottom, p.top, p.bottom};
  for (int i = 0; i < count; ++i) {
    if (covers[i].width <= 0 || covers[i].height <= 0) return "an empty cover";
    const Box c = ToBox(covers[i]);
    if (c.left < v.left || c.top < v.top || c.right > v.right || c.bottom > v.bottom)
      return "a cover outside the virtual screen";
    xs.insert(xs.end(), {c.left, c.right});
    ys.insert(ys.end(), {c.top, c.bottom});
  }
  std::sort(xs.begin(), xs.end());
  std::sort(ys.begin(), ys.end());
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
      if (xs[i] == xs[i + 1] || ys[j] == ys[j + 1]) continue;
      const int64_t x = xs[i], y = ys[j];  // the cell's top left point
      int coveredBy = 0;
      for (int k = 0; k < count; ++k) coveredBy += Contains(ToBox(covers[k]), x, y);
      if (coveredBy > 1) return "overlapping covers";
      if (Contains(p, x, y)) {
        if (coveredBy) return "a cover over the primary display";
      } else if (Contains(v, x, y) && !coveredBy) {
        return "part of the virtual screen uncovered";
      }
    }
  }
  return "";
}

}  // namespace cover_check
