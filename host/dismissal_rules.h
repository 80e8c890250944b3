#pragma once
// The arithmetic of dismissal without the window system: how far the mouse
// may wander before the saver closes, and how soon after a refused password
// a close request is refused without asking.
#include <cstdint>

// Mouse dismissal: the cursor has moved more than 4 pixels (|dx| + |dy|) from
// the anchor.
constexpr int32_t kMouseThreshold = 4;
bool MovedBeyondThreshold(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y);

// Password verification: a close request less than 200 ms after the end of
// the last verification is refused without asking. The tick counter may have
// wrapped in between.
constexpr uint32_t kNoVerificationYet = 0xFFFFFFFF;
constexpr uint32_t kVerifyIntervalMs = 200;
bool WithinVerifyInterval(uint32_t lastVerifyTick, uint32_t now);
