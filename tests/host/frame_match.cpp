// Finds the tick whose frame, drawn on the portable path, is exactly what a
// screenshot of the running saver shows. The saver must run without flakes
// (stored count 0), so the clock's seed does not matter; the figure's walk
// position then fixes the tick.
//
//   frame_match SHOT.ppm RESOURCE_DIR [MAX_TICKS]
//
// Prints "tick T" and exits 0 on a match; otherwise prints the closest tick
// and how many pixels differ from it, and exits 1 (2 on unreadable input).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/frame_step.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"
#include "tools/sprite_files.h"

namespace {

// A binary PPM (P6, maxval 255) as 0x00RRGGBB pixels.
bool ReadPpm(const std::string& path, int32_t* width, int32_t* height,
             std::vector<uint32_t>* pixels) {
  std::vector<uint8_t> file;
  if (!ReadWholeFile(path, &file)) return false;
  size_t at = 0;
  auto token = [&]() -> std::string {
    while (at < file.size()) {
      if (file[at] == '#') {
        while (at < file.size() && file[at] != '\n') ++at;
      } else if (file[at] == ' ' || file[at] == '\n' || file[at] == '\r' || file[at] == '\t') {
        ++at;
      } else {
        break;
      }
    }
    std::string t;
    while (at < file.size() && file[at] > ' ') t += static_cast<char>(file[at++]);
    return t;
  };
  if (token() != "P6") return false;
  *width = std::atoi(token().c_str());
  *height = std::atoi(token().c_str());
  if (token() != "255" || *width <= 0 || *height <= 0 || *width > 8192 || *height > 8192)
    return false;
  ++at;  // the single blank after the maximum
  size_t count = static_cast<size_t>(*width) * *height;
  if (file.size() - at < count * 3) return false;
  pixels->resize(count);
  for (size_t i = 0; i < count; ++i, at += 3)
    (*pixels)[i] = (uint32_t{file[at]} << 16) | (uint32_t{file[at + 1]} << 8) | file[at + 2];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: frame_match SHOT.ppm RESOURCE_DIR [MAX_TICKS]\n");
    return 2;
  }
  const int32_t maxTicks = argc > 3 ? std::atoi(argv[3]) : 20000;
  int32_t width = 0, height = 0;
  std::vector<uint32_t> shot;
  if (!ReadPpm(argv[1], &width, &height, &shot)) {
    std::fprintf(stderr, "frame_match: cannot read %s\n", argv[1]);
    return 2;
  }

  static SaverSprites sprites;
  std::string error;
  if (!LoadSpriteFiles(argv[2], &sprites, &error)) {
    std::fprintf(stderr, "frame_match: %s\n", error.c_str());
    return 2;
  }

  std::vector<uint32_t> backStore(shot.size(), 0);
  PixelBuffer32 back{backStore.data(), width, height, width};
  scene.screenWidth = width;
  scene.screenHeight = height;
  sceneSettings.flakeCount = 0;
  InitSceneWithSeed(1);
  static FrameStep step;
  StartFrameStep(&step, width, height);

  int32_t closestTick = 0;
  size_t closestDifference = shot.size() + 1;
  for (int32_t tick = 1; tick <= maxTicks; ++tick) {
    StepFrame(&step, back, sprites.rgb);
    // The presented frame is the whole back buffer right after the compose.
    size_t difference = 0;
    for (size_t i = 0; i < shot.size() && difference < closestDifference; ++i)
      difference += backStore[i] != shot[i];
    if (difference < closestDifference) {
      closestDifference = difference;
      closestTick = tick;
    }
    if (difference == 0) {
      std::printf("tick %d figure %d %d\n", tick, scene.figure.x, scene.figure.y);
      return 0;
    }
  }
  std::printf("no tick matches; closest tick %d differs in %zu pixels\n", closestTick,
              closestDifference);
  return 1;
}
