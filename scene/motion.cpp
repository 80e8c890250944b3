#include "scene/scene.h"

#include <cmath>
#include <ctime>

#include "scene/settings.h"

Scene scene = {0, 0, {}, {}, 0, 1};

namespace {

// The doubles nearest to these decimal constants; 0.031415 is the product
// 3.1415 * 0.01 as rounded in double precision (0x3FA015A07B352A85).
constexpr double kJumpTimeStep = 0.05;
constexpr double kGravity = -4.9;
constexpr double kTakeOffSpeed = 100.0;
constexpr double kSwayPhase = 3.1415 * 0.01;
constexpr double kSwayScale = -10.0;

// Truncation toward zero of a double that is already rounded to double.
inline int32_t Trunc(double v) { return static_cast<int32_t>(v); }

void AdvanceFlake(Flake& flake, int32_t fall) {
  flake.y += fall;
  if (flake.y > scene.screenHeight) flake.y = 0;
  // Each step is stored to a double, so no excess precision is carried.
  double phase = static_cast<double>(flake.y) * kSwayPhase;
  double sway = std::sin(phase);
  sway = sway * static_cast<double>(flake.swayAmplitude);
  sway = sway * kSwayScale;
  flake.x = flake.baseX - Trunc(sway);
  flake.frame = flake.frame > 2 ? 0 : flake.frame + 1;
}

}  // namespace

void SeedRandom(uint32_t seed) { scene.randomState = seed; }

int32_t NextRandom() {
  scene.randomState = scene.randomState * 214013u + 2531011u;
  return static_cast<int32_t>((scene.randomState >> 16) & 0x7FFF);
}

uint8_t LimitFlakeCount(uint8_t storedCount) {
  return storedCount > kFlakeCapacity ? static_cast<uint8_t>(kFlakeCapacity) : storedCount;
}

int32_t JumpHeight(double t) {
  double squared = t * t;
  double fall = squared * kGravity;
  double rise = t * kTakeOffSpeed;
  double sum = static_cast<double>(Trunc(fall)) + rise;
  return Trunc(sum);
}

void InitScene() { InitSceneWithSeed(static_cast<uint32_t>(std::time(nullptr))); }

void InitSceneWithSeed(uint32_t seed) {
  Figure& figure = scene.figure;
  figure.jumpTime = 0.0;
  figure.x = -kFigureWidth;  // wholly off-screen to the left
  figure.y = 0;
  figure.walkStep = 1;
  figure.previousFigurePos = {figure.x, figure.y};
  scene.flakeCount = LimitFlakeCount(sceneSettings.flakeCount);

  SeedRandom(seed);
  // A screen no wider than a flake leaves no room to spread them: they all
  // start at the left edge instead of dividing by zero or a negative width.
  int32_t span = scene.screenWidth - kFlakeSize;
  for (int i = 0; i < scene.flakeCount; ++i) {
    Flake& flake = scene.flakes[i];
    uint32_t r = static_cast<uint32_t>(NextRandom());
    flake.baseX = span > 0 ? static_cast<int32_t>(r % static_cast<uint32_t>(span)) : 0;
    flake.y = -kFlakeSize - 128 * i;  // stacked above the screen, flake 0 lowest
    flake.fallSpeed = NextRandom() % 4 + 1;
    flake.swayAmplitude = NextRandom() % 5 + 1;
    flake.frame = 0;  // x is left alone: the first AdvanceScene sets it
  }
}

void AdvanceScene() {
  Figure& figure = scene.figure;
  figure.previousFigurePos = {figure.x, figure.y};
  figure.jumpTime = figure.jumpTime + kJumpTimeStep;

  // The new step takes effect on the next tick, so the figure overshoots each
  // edge by one pixel.
  figure.x += figure.walkStep;
  if (figure.x + kFigureWidth > scene.screenWidth)
    figure.walkStep = -1;
  else if (figure.x < 0)
    figure.walkStep = 1;

  int32_t h = JumpHeight(figure.jumpTime);
  figure.y = scene.screenHeight - h - kFigureHeight;
  // The landing frame is still drawn a little below the ground line.
  if (figure.y > scene.screenHeight - kFigureHeight) figure.jumpTime = 0.0;

  int32_t far = FarFlakeCount(scene.flakeCount);
  for (int32_t i = 0; i < far; ++i) AdvanceFlake(scene.flakes[i], scene.flakes[i].fallSpeed);
  for (int32_t i = far; i < scene.flakeCount; ++i)
    AdvanceFlake(scene.flakes[i], scene.flakes[i].fallSpeed + 1);
}
