#pragma once
// Where the full-screen saver needs covers besides its own window: the parts
// of the virtual screen (the rectangle around every monitor, in the platform's
// screen coordinates, where the primary display's top left corner is 0,0) that
// lie outside the primary display.
#include <cstdint>

struct ScreenRect {
  int32_t x, y, width, height;
};

// Top band, bottom band (both as wide as the virtual screen), and the parts
// left and right of the primary display between them.
constexpr int kMaxCoverRects = 4;

// Fills covers with the parts of virtualScreen outside the primary display
// (0, 0, primaryWidth, primaryHeight) and returns how many there are: 0 when
// the virtual screen is empty (systems without several monitors answer 0 for
// it) or lies within the primary display. The covers do not overlap, lie
// inside the virtual screen and together are all of it outside the primary
// display, whatever the numbers.
int ComputeCoverRects(const ScreenRect& virtualScreen, int32_t primaryWidth,
                      int32_t primaryHeight, ScreenRect covers[kMaxCoverRects]);
