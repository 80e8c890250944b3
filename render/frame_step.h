#pragma once
// One tick of the picture, for every program that composes into a plain back
// buffer and sends only what changed (the X11 and Wayland programs, the page,
// the tools, the benchmarks and the tests):
//
//   InitSceneWithSeed(...);                    // the back buffer all black
//   StartFrameStep(&step, width, height);      // everything pending
//   each tick:     StepFrame(&step, backBuffer, sprites);
//   each present:  VisitPendingRects(step.damage, scale, windowWidth,
//                                    windowHeight, send);
//                  ClearDamage(&step.damage);
//
// A tick blackens what the previous tick drew, moves the scene and composes
// the new frame, recording the rectangles of both. The erase comes first
// (rather than right after the present, as on Windows) so that the back
// buffer always holds the last composed frame, which is what a present, an
// expose or a screenshot must show. The pixels that reach the screen are the
// same either way.
#include <cstdint>

#include "render/compose.h"
#include "render/frame_damage.h"
#include "render/pixel_buffer.h"
#include "render/pixel_scale.h"

struct FrameStep {
  FrameDamage damage;  // back-buffer rectangles not yet sent
  int32_t ticksDone;   // ticks since the scene started
};

// For a scene just set up on a black back buffer of the given size: no tick
// done, the whole screen pending.
void StartFrameStep(FrameStep* step, int32_t screenWidth, int32_t screenHeight);

// One tick on the process-wide scene: erase the last tick's sprites (none
// before the first tick), AdvanceScene, compose; the rectangles of the erase
// and of the compose are added to step->damage.
template <typename Pixel>
void StepFrame(FrameStep* step, const PixelBuffer<Pixel>& backBuffer,
               const SpriteSet<Pixel>& sprites);

// Calls send(sceneRect, windowRect) for each pending rectangle (the whole
// scene when damage.whole), where windowRect is what sceneRect covers at
// `scale` clipped to the window; rectangles that come out empty in the window
// are skipped. Returns the number of calls. The damage is left as it is: the
// caller clears it once the rectangles are sent.
template <typename Send>
int32_t VisitPendingRects(const FrameDamage& damage, int32_t scale, int32_t windowWidth,
                          int32_t windowHeight, Send&& send);

template <typename Send>
int32_t VisitPendingRects(const FrameDamage& damage, int32_t scale, int32_t windowWidth,
                          int32_t windowHeight, Send&& send) {
  int32_t sent = 0;
  const DamageRect all = {0, 0, damage.screenWidth, damage.screenHeight};
  const int32_t count = damage.whole ? 1 : damage.count;
  for (int32_t i = 0; i < count; ++i) {
    const DamageRect& r = damage.whole ? all : damage.rects[i];
    const DamageRect w = ScaledRect(r, scale, windowWidth, windowHeight);
    if (w.left >= w.right || w.top >= w.bottom) continue;
    send(r, w);
    ++sent;
  }
  return sent;
}
