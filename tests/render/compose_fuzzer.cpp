// Any scene state, any buffer size and sprites of any size: composing,
// presenting and erasing stay inside their buffers (AddressSanitizer) and do
// no undefined arithmetic, at both pixel widths.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/compose.h"

namespace {

struct Bytes {
  const uint8_t* data;
  size_t size;
  uint32_t Take(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      v = (v << 8) | (size > 0 ? *data : 0);
      if (size > 0) ++data, --size;
    }
    return v;
  }
};

template <typename Pixel>
void Run(Bytes in, const Scene& s) {
  const int32_t w = 1 + in.Take(1) % 80, h = 1 + in.Take(1) % 80;
  const int32_t pw = 1 + in.Take(1) % 80, ph = 1 + in.Take(1) % 80;
  std::vector<Pixel> back(static_cast<size_t>(w) * h, 1), present(static_cast<size_t>(pw) * ph);
  // Sprites sized as the resources are, or smaller and odd as a damaged set.
  const bool odd = in.Take(1) & 1;
  const int32_t fw = odd ? 1 + in.Take(1) % 300 : kFigureWidth, fh = odd ? 1 + in.Take(1) % 200 : kFigureHeight;
  const int32_t sw = odd ? 1 + in.Take(1) % 160 : kFlakeStripWidth, sh = odd ? 1 + in.Take(1) % 40 : kFlakeSize;
  std::vector<Pixel> fi(static_cast<size_t>(fw) * fh, 3), fm(fi.size(), 0), si(static_cast<size_t>(sw) * sh, 5), sm(si.size(), 0);
  const int32_t mw = odd ? 1 + in.Take(1) % 160 : sw;  // a mask strip of another size
  std::vector<Pixel> sm2(static_cast<size_t>(mw) * sh, 0);
  SpriteSet<Pixel> sprites{{fi.data(), fw, fh, fw}, {fm.data(), fw, fh, fw}, {si.data(), sw, sh, sw},
                           {sm2.data(), mw, sh, mw}};
  PixelBuffer<Pixel> b{back.data(), w, h, w}, p{present.data(), pw, ph, pw};
  ComposeFrameInto(b, sprites, s);
  PresentFrameTo(p, b, s);
  EraseFrameIn(b, s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in{data, size};
  Scene s;
  std::memset(&s, 0, sizeof s);
  s.screenWidth = static_cast<int32_t>(in.Take(4));
  s.screenHeight = static_cast<int32_t>(in.Take(4));
  s.figure.x = static_cast<int32_t>(in.Take(4));
  s.figure.y = static_cast<int32_t>(in.Take(4));
  s.figure.previousFigurePos.x = static_cast<int32_t>(in.Take(4));
  s.figure.previousFigurePos.y = static_cast<int32_t>(in.Take(4));
  s.flakeCount = static_cast<uint8_t>(in.Take(1));
  for (int i = 0; i < kFlakeCapacity && in.size > 0; ++i) {
    // Small positions most of the time, so that flakes land in the buffer.
    const bool wide = in.Take(1) & 1;
    s.flakes[i].x = wide ? static_cast<int32_t>(in.Take(4)) : static_cast<int8_t>(in.Take(1));
    s.flakes[i].y = wide ? static_cast<int32_t>(in.Take(4)) : static_cast<int8_t>(in.Take(1));
    s.flakes[i].frame = static_cast<int32_t>(in.Take(1)) - 2;
  }
  Run<uint8_t>(Bytes{data, size}, s);
  Run<uint32_t>(Bytes{data, size}, s);
  return 0;
}
