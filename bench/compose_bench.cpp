// One whole tick of the portable path (advance, compose, present into a
// screen-sized destination, erase) with 100 flakes, beside a plain memcpy of
// one frame. The target: a tick costs at most 1.5 times the copy.
#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <cstdlib>
#include <map>
#include <string>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "render/compose.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

// A frame-sized block as a display driver would hand it out: 2 MiB aligned
// and backed by large pages where the system offers them, so that the rows
// of a sprite do not each cost a page-table walk. Both the copy and the tick
// use it.
struct FrameStore {
  uint32_t* pixels = nullptr;
  explicit FrameStore(size_t count, uint32_t fill = 0) {
    const size_t align = size_t{2} << 20;
    const size_t bytes = (count * 4 + align - 1) / align * align;
    void* p = nullptr;
    if (posix_memalign(&p, align, bytes) != 0) std::abort();
    madvise(p, bytes, MADV_HUGEPAGE);
    pixels = static_cast<uint32_t*>(p);
    for (size_t i = 0; i < count; ++i) pixels[i] = fill;
  }
  ~FrameStore() { std::free(pixels); }
};

void BM_FrameCopy(benchmark::State& state) {
  const size_t count = static_cast<size_t>(state.range(0)) * state.range(1), bytes = count * 4;
  FrameStore from(count, 0x00010203), to(count);
  for (auto _ : state) {
    std::memcpy(to.pixels, from.pixels, bytes);
    benchmark::DoNotOptimize(to.pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_Tick(benchmark::State& state) {
  if (!saverSprites.loaded && !LoadSaverSprites()) {
    state.SkipWithError("sprite resources not found");
    return;
  }
  const int32_t w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  FrameStore backStore(static_cast<size_t>(w) * h), screenStore(static_cast<size_t>(w) * h);
  PixelBuffer32 back{backStore.pixels, w, h, w}, screen{screenStore.pixels, w, h, w};
  scene.screenWidth = w;
  scene.screenHeight = h;
  sceneSettings.flakeCount = 100;
  InitSceneWithSeed(1);
  // Until every flake has come down onto the screen: the near ones start
  // more than 12000 pixels above it.
  for (int i = 0; i < 6000; ++i) AdvanceScene();

  for (auto _ : state) {
    AdvanceScene();
    ComposeFrameInto(back, saverSprites.rgb, scene);
    PresentFrameTo(screen, back, scene);
    EraseFrameIn(back, scene);
    benchmark::DoNotOptimize(screenStore.pixels);
    benchmark::ClobberMemory();
  }
}

// Prints, after the usual table, each size's tick time over its frame copy
// time (the medians when repetitions are asked for). On a machine shared
// with other work the CPU times are the steadier of the two.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const bool tick = name.rfind("BM_Tick/", 0) == 0;
      const bool copy = name.rfind("BM_FrameCopy/", 0) == 0;
      if (!tick && !copy) continue;
      std::string size = name.substr(name.find('/') + 1);
      size = size.substr(0, size.find('_'));
      (tick ? tickTime_ : copyTime_)[size] = run.GetAdjustedRealTime();
      (tick ? tickCpu_ : copyCpu_)[size] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& entry : tickTime_) {
      auto copy = copyTime_.find(entry.first);
      if (copy == copyTime_.end() || copy->second <= 0) continue;
      std::printf("tick / frame copy at %s: %.2f in real time, %.2f in CPU time (target <= 1.50)\n",
                  entry.first.c_str(), entry.second / copy->second,
                  tickCpu_[entry.first] / copyCpu_[entry.first]);
    }
  }

 private:
  std::map<std::string, double> tickTime_, copyTime_, tickCpu_, copyCpu_;
};

}  // namespace

BENCHMARK(BM_FrameCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
