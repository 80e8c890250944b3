#pragma once
// The frame rate in the lower left corner, white on a black box, drawn from
// a small built-in font (a compositor has no fonts to lend).
#include <cstdint>

#include "render/frame_damage.h"
#include "render/pixel_buffer.h"

// Draws "FPS: 59.9" into `target`, each font pixel a block of 2 x pixelScale,
// and sets `drawn` to the rectangle covered. False when it does not fit.
bool DrawFrameRateText(const PixelBuffer32& target, double framesPerSecond, int32_t pixelScale,
                       DamageRect* drawn);
