#pragma once
// Which parts of the screen changed between two presented frames, so that a
// host whose presents are costly (an X server, a browser canvas) sends only
// those. Between the frame of tick t - 1 and that of tick t the back buffer
// changes only where the erase after tick t - 1 blackened and where the
// compose of tick t drew; a host records both and sends the union:
//
//   AdvanceScene(); ComposeFrameInto(...); AddComposeDamage(&damage, scene);
//   present damage.rects (or everything when damage.whole); ClearDamage(&damage);
//   EraseFrameIn(...); AddEraseDamage(&damage, scene);
//
// Rectangles are in screen pixels, clipped to the screen, never empty, and do
// not need to be disjoint. Fixed capacity: no allocation per tick.
#include <cstdint>

#include "scene/scene.h"

struct DamageRect {
  int32_t left, top, right, bottom;  // right and bottom excluded
};

// One erase and one compose add at most one rectangle per sprite each.
constexpr int kDamageCapacity = 2 * (kFlakeCapacity + 1) + 2;

struct FrameDamage {
  int32_t screenWidth, screenHeight;
  bool whole;  // everything must be sent (first frame, expose, resize, overflow)
  int32_t count;
  DamageRect rects[kDamageCapacity];
};

// Starts the record for a screen of the given size with the whole screen
// pending, as the first frame needs.
void ResetDamage(FrameDamage* damage, int32_t screenWidth, int32_t screenHeight);
// Forgets what was sent: nothing pending.
void ClearDamage(FrameDamage* damage);
// Marks everything pending (an expose).
void DamageWholeScreen(FrameDamage* damage);
// Adds (left, top) .. (right, bottom), clipped to the screen. A rectangle
// that overlaps a pending one so much that their bounding box is no larger
// than the two together is merged into it. When the table is full the whole
// screen becomes pending.
void AddDamage(FrameDamage* damage, int32_t left, int32_t top, int32_t right, int32_t bottom);
// What ComposeFrameInto draws for the scene's current positions: the far
// flakes' half-size cells, the figure, the near flakes.
void AddComposeDamage(FrameDamage* damage, const Scene& scene);
// What EraseFrameIn blackens: the figure at previousFigurePos and each live
// flake's erase square.
void AddEraseDamage(FrameDamage* damage, const Scene& scene);
// Pixels that a present of the pending rectangles sends (the whole screen
// when `whole`); overlapping rectangles count twice.
int64_t DamagedPixelCount(const FrameDamage& damage);
