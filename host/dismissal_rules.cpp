#include "host/dismissal_rules.h"

#include <cstdlib>

bool MovedBeyondThreshold(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y) {
  // Screen coordinates are far from the 32-bit limits; the wider type only
  // keeps extreme values from overflowing.
  int64_t distance = std::llabs(static_cast<int64_t>(x) - anchorX) +
                     std::llabs(static_cast<int64_t>(y) - anchorY);
  return distance > kMouseThreshold;
}

bool WithinVerifyInterval(uint32_t lastVerifyTick, uint32_t now) {
  return lastVerifyTick != kNoVerificationYet && now - lastVerifyTick < kVerifyIntervalMs;
}
