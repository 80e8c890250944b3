#pragma once
// The animated scene: a figure that walks and jumps along the bottom of the
// screen and up to 100 flakes falling in two depth layers. Screen coordinates,
// origin top-left, y growing downwards.
#include <cstdint>

constexpr int32_t kFigureWidth = 256;
constexpr int32_t kFigureHeight = 148;
constexpr int32_t kFlakeSize = 32;
constexpr int32_t kFlakeFrames = 4;
constexpr int kFlakeCapacity = 100;

struct FigurePos {
  int32_t x, y;
};

struct Figure {
  int32_t x, y;                 // top-left corner
  int32_t walkStep;             // +1 or -1 pixel per tick
  double jumpTime;              // the jump clock, +0.05 per tick
  FigurePos previousFigurePos;  // x, y before the current tick's move
};

struct Flake {
  int32_t x;              // left edge, from baseX and the sway
  int32_t y;              // top edge
  int32_t frame;          // 0..3, the cell of the flake strip
  int32_t fallSpeed;      // 1..4 pixels per tick (one more for near flakes)
  int32_t swayAmplitude;  // 1..5; the sway reaches ten times this either side
  int32_t baseX;          // left edge around which the flake sways
};

typedef Flake FlakeTable[kFlakeCapacity];

struct Scene {
  int32_t screenWidth, screenHeight;
  Figure figure;
  FlakeTable flakes;
  uint8_t flakeCount;  // live flakes at the front of the table, never above 100
  uint32_t randomState;  // the generator's state; 1 before any seeding
};

extern Scene scene;

void SeedRandom(uint32_t seed);
int32_t NextRandom();  // 0..32767

// Places the figure, seeds the generator from the calendar time and fills the
// live flakes. screenWidth, screenHeight and sceneSettings must be loaded.
void InitScene();
// The same with a given seed; InitScene uses the time in seconds.
void InitSceneWithSeed(uint32_t seed);
// One tick of motion for the figure and every live flake.
void AdvanceScene();

// The flake count that the scene uses for a stored setting: at most the
// table's capacity.
uint8_t LimitFlakeCount(uint8_t storedCount);
// Flakes 0 .. FarFlakeCount - 1 are far (half size, behind the figure).
inline int32_t FarFlakeCount(uint8_t flakeCount) { return (flakeCount >> 1) & 0x7F; }
// The figure's jump height h (pixels above the ground line) at jump time t.
int32_t JumpHeight(double t);
