#include "render/frame_step.h"

#include "scene/scene.h"

void StartFrameStep(FrameStep* step, int32_t screenWidth, int32_t screenHeight) {
  ResetDamage(&step->damage, screenWidth, screenHeight);
  step->ticksDone = 0;
}

template <typename Pixel>
void StepFrame(FrameStep* step, const PixelBuffer<Pixel>& backBuffer,
               const SpriteSet<Pixel>& sprites) {
  if (step->ticksDone > 0) {
    EraseFrameIn(backBuffer, scene);
    AddEraseDamage(&step->damage, scene);
  }
  AdvanceScene();
  ComposeFrameInto(backBuffer, sprites, scene);
  AddComposeDamage(&step->damage, scene);
  ++step->ticksDone;
}

template void StepFrame(FrameStep*, const PixelBuffer<uint32_t>&, const SpriteSet<uint32_t>&);
template void StepFrame(FrameStep*, const PixelBuffer<uint8_t>&, const SpriteSet<uint8_t>&);
