// The X11 program's tick without the X server: the frame step, then what
// changed brought into the window's image; and how many bytes that
// sends the server per tick. Beside it the same tick presenting the whole
// frame every time. At 1920 x 1080 (scale 1) and 3840 x 2160 (the automatic
// scale 2), with 10 and 100 flakes, into a 32-bit image; and into a 16-bit
// 5-6-5 image, which needs a conversion of every sent pixel.
//
// The back buffer is kept apart from the image here, as on a 16-bit, 8-bit
// or scaled window; on a 32-bit window at scale 1 the program composes
// straight into the image and brings nothing over, so that row costs less
// than shown.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "render/compose.h"
#include "render/frame_damage.h"
#include "render/frame_step.h"
#include "render/pixel_convert.h"
#include "render/pixel_scale.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

enum Present { kChanged, kWhole };

void RunTicks(benchmark::State& state, Present present, int32_t bitsPerPixel) {
  if (!saverSprites.loaded && !LoadSaverSprites()) {
    state.SkipWithError("the built-in sprites do not decode");
    return;
  }
  const int32_t w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  const int32_t scale = ChoosePixelScale(w, h, 0);
  const int32_t sw = SceneExtent(w, scale), sh = SceneExtent(h, scale);
  std::vector<uint32_t> backStore(static_cast<size_t>(sw) * sh, 0);
  const PixelBuffer32 back{backStore.data(), sw, sh, sw};
  const int32_t bytesPerPixel = bitsPerPixel / 8;
  std::vector<uint8_t> imageStore(static_cast<size_t>(w) * h * bytesPerPixel, 0);
  const ImageLayout image{imageStore.data(), w, h, w * bytesPerPixel, bitsPerPixel, false};
  const PixelBuffer32 image32{reinterpret_cast<uint32_t*>(imageStore.data()), w, h, w};
  TrueColourTables tables;
  BuildTrueColourTables(bitsPerPixel == 16 ? ChannelMasks{0xF800, 0x07E0, 0x001F}
                                           : ChannelMasks{0xFF0000, 0x00FF00, 0x0000FF},
                        &tables);
  auto stage = [&](const DamageRect& r) {
    if (bitsPerPixel == 32) ScaleRectInto(image32, back, r, scale);
    else ConvertRectInto(image, back, r, scale, tables);
  };

  scene.screenWidth = sw;
  scene.screenHeight = sh;
  sceneSettings.flakeCount = static_cast<uint8_t>(state.range(2));
  InitSceneWithSeed(1);
  static FrameStep step;
  StartFrameStep(&step, sw, sh);
  // Until every flake has come down onto the screen: the near ones start
  // more than 12000 pixels above it.
  for (int i = 0; i < 6000; ++i) StepFrame(&step, back, saverSprites.rgb);
  ClearDamage(&step.damage);

  int64_t pixels = 0, ticks = 0;
  for (auto _ : state) {
    StepFrame(&step, back, saverSprites.rgb);
    if (present == kWhole) DamageWholeScreen(&step.damage);
    VisitPendingRects(step.damage, scale, w, h, [&](const DamageRect& r, const DamageRect& s) {
      stage(r);
      pixels += static_cast<int64_t>(s.right - s.left) * (s.bottom - s.top);
    });
    ClearDamage(&step.damage);
    ++ticks;
    benchmark::DoNotOptimize(imageStore.data());
    benchmark::ClobberMemory();
  }
  if (ticks > 0) {
    state.counters["bytes/tick"] =
        benchmark::Counter(static_cast<double>(pixels) * bytesPerPixel / static_cast<double>(ticks));
    state.counters["scale"] = scale;
  }
}

void BM_TickChanged32(benchmark::State& state) { RunTicks(state, kChanged, 32); }
void BM_TickWhole32(benchmark::State& state) { RunTicks(state, kWhole, 32); }
void BM_TickChanged16(benchmark::State& state) { RunTicks(state, kChanged, 16); }
void BM_TickWhole16(benchmark::State& state) { RunTicks(state, kWhole, 16); }

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t flakes : {10, 100}) {
    b->Args({1920, 1080, flakes});
    b->Args({3840, 2160, flakes});
  }
  b->ArgNames({"w", "h", "flakes"})->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_TickChanged32)->Apply(Sizes);
BENCHMARK(BM_TickWhole32)->Apply(Sizes);
BENCHMARK(BM_TickChanged16)->Apply(Sizes);
BENCHMARK(BM_TickWhole16)->Apply(Sizes);

BENCHMARK_MAIN();
