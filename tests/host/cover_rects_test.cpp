// The covers of the full-screen saver: the parts of the virtual screen
// outside the primary display, for the layouts people have (monitors left of
// or above the primary one with negative coordinates, monitors of other sizes,
// one monitor) and for what older systems and odd metrics answer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "host/cover_rects.h"
#include "tests/host/cover_rects_check.h"

namespace {

std::string Show(const std::vector<ScreenRect>& rects) {
  std::string s;
  for (const ScreenRect& r : rects)
    s += "(" + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height) + ")";
  return s.empty() ? "none" : s;
}

struct Case {
  const char* layout;
  ScreenRect virtualScreen;
  int32_t primaryWidth, primaryHeight;
  std::vector<ScreenRect> covers;  // in the order top, bottom, left, right
};

const Case kCases[] = {
    {"the first 95 release and NT 4: the virtual-screen metrics answer 0",
     {0, 0, 0, 0}, 1024, 768, {}},
    {"one monitor: the virtual screen is the primary display",
     {0, 0, 1024, 768}, 1024, 768, {}},
    {"a smaller monitor to the right (the two-head test's layout)",
     {0, 0, 1440, 600}, 800, 600, {{800, 0, 640, 600}}},
    {"a larger monitor to the right of a smaller primary",
     {0, 0, 1440, 600}, 640, 480, {{0, 480, 1440, 120}, {640, 0, 800, 480}}},
    {"a monitor to the left, at negative x",
     {-1280, 0, 2560, 1024}, 1280, 1024, {{-1280, 0, 1280, 1024}}},
    {"a monitor above, at negative y",
     {0, -768, 1024, 1536}, 1024, 768, {{0, -768, 1024, 768}}},
    {"a smaller monitor left of and partly above the primary",
     {-1280, -200, 3200, 1280}, 1920, 1080, {{-1280, -200, 3200, 200}, {-1280, 0, 1280, 1080}}},
    {"monitors on all four sides",
     {-1920, -1080, 5760, 3240}, 1920, 1080,
     {{-1920, -1080, 5760, 1080}, {-1920, 1080, 5760, 1080}, {-1920, 0, 1920, 1080},
      {1920, 0, 1920, 1080}}},
    {"three in a row, the primary in the middle and tallest",
     {-1024, 0, 3968, 1200}, 1920, 1200, {{-1024, 0, 1024, 1200}, {1920, 0, 1024, 1200}}},
    {"a portrait monitor to the right, taller than the primary",
     {0, -420, 2970, 1920}, 1920, 1080,
     {{0, -420, 2970, 420}, {0, 1080, 2970, 420}, {1920, 0, 1050, 1080}}},
    {"a negative size is no virtual screen", {0, 0, -1440, 600}, 800, 600, {}},
    {"a virtual screen inside the primary display", {10, 10, 100, 100}, 800, 600, {}},
    {"a virtual screen apart from the primary display: all of it",
     {2000, 0, 640, 480}, 800, 600, {{2000, 0, 640, 480}}},
    {"no primary size: all of the virtual screen", {-10, -10, 30, 20}, 0, 0, {{-10, -10, 30, 20}}},
    {"edges at the 32-bit limits",
     {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, INT_MAX,
     {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}}},
    {"the widest virtual screen around a primary display",
     {-1000, -1000, INT_MAX, INT_MAX}, 1000, 1000,
     {{-1000, -1000, INT_MAX, 1000}, {-1000, 1000, INT_MAX, INT_MAX - 2000},
      {-1000, 0, 1000, 1000}, {1000, 0, INT_MAX - 2000, 1000}}},
};

TEST(CoverRects, TheVirtualScreenOutsideThePrimaryDisplay) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.layout);
    ScreenRect covers[kMaxCoverRects];
    int count = ComputeCoverRects(c.virtualScreen, c.primaryWidth, c.primaryHeight, covers);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, kMaxCoverRects);
    EXPECT_EQ(Show(std::vector<ScreenRect>(covers, covers + count)), Show(c.covers));
    EXPECT_EQ(cover_check::BrokenRule(c.virtualScreen, c.primaryWidth, c.primaryHeight, covers,
                                      count),
              "");
  }
}

TEST(CoverRects, TheCheckNamesWhatAWrongAnswerBreaks) {
  // The rules the fuzzer relies on catch each kind of wrong answer.
  const ScreenRect v = {0, 0, 1440, 600};
  struct Wrong {
    std::vector<ScreenRect> covers;
    const char* broken;
  } wrongs[] = {
      {{}, "part of the virtual screen uncovered"},
      {{{800, 0, 640, 500}}, "part of the virtual screen uncovered"},
      {{{799, 0, 641, 600}}, "a cover over the primary display"},
      {{{800, 0, 641, 600}}, "a cover outside the virtual screen"},
      {{{800, 0, 640, 300}, {800, 299, 640, 301}}, "overlapping covers"},
      {{{800, 0, 640, 600}, {800, 0, 0, 600}}, "an empty cover"},
  };
  for (const Wrong& w : wrongs)
    EXPECT_EQ(cover_check::BrokenRule(v, 800, 600, w.covers.data(),
                                      static_cast<int>(w.covers.size())),
              w.broken);
}

}  // namespace
