// Any virtual screen and primary size, as the platform's metrics might
// answer them: the covers stay inside the virtual screen, off the primary
// display, apart from each other, and cover all the rest.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/cover_rects.h"
#include "tests/host/cover_rects_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t numbers[6] = {};
  std::memcpy(numbers, data, size < sizeof numbers ? size : sizeof numbers);
  const ScreenRect virtualScreen = {numbers[0], numbers[1], numbers[2], numbers[3]};
  ScreenRect covers[kMaxCoverRects];
  int count = ComputeCoverRects(virtualScreen, numbers[4], numbers[5], covers);
  if (!cover_check::BrokenRule(virtualScreen, numbers[4], numbers[5], covers, count).empty())
    std::abort();
  return 0;
}
