// The page's WebAssembly module: the scene, its back buffer and the picture
// that the canvas shows. The page's script calls NavaSetUp whenever the canvas
// gets a size and NavaFrame on every animation frame; NavaFrame runs the ticks
// that are due and lists the canvas rectangles that changed, which the script
// sends with putImageData. All state is process-wide and made at set-up;
// nothing is allocated per tick.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dialog/slider_positions.h"
#include "host/dismissal_rules.h"
#include "host/frame_clock.h"
#include "host/saver_options.h"
#include "render/compose.h"
#include "render/frame_damage.h"
#include "render/frame_step.h"
#include "render/pixel_scale.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"
#include "web/page_settings.h"

#define NAVANAVA_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

// A canvas beyond this many device pixels is not drawn (the two buffers
// would need more than half a gigabyte); browsers refuse larger canvases too.
constexpr int64_t kMaxWindowPixels = int64_t{8192} * 8192;
constexpr int32_t kPageTextCapacity = 8192;
// Canvas pixels are bytes R, G, B, A: the present turns each 0x00RRGGBB
// scene pixel into that order with an opaque alpha.
constexpr uint32_t kOpaque = 0xFF000000u;

struct PageState {
  uint32_t* backStore;    // the back buffer, sceneWidth x sceneHeight
  uint32_t* windowStore;  // what the canvas shows, windowWidth x windowHeight, RGBA
  size_t backCapacity, windowCapacity;  // pixels allocated
  PixelBuffer32 backBuffer, window;
  int32_t pixelScale;
  bool ready;                // a scene runs
  SaverOptions options;      // from the page's address
  int32_t tickIntervalMs;    // the setting the scene runs with
  FrameClock clock;
  FrameStep step;            // ticks since the scene started, and what they changed
  int64_t sentPixels;        // canvas pixels of the last present
  int32_t rectCount;
  int32_t rects[4 * (kDamageCapacity + 1)];  // x, y, width, height on the canvas
  char text[kPageTextCapacity];              // strings handed over by the script
};

PageState page;

uint32_t SwapRedAndBlue(uint32_t p) {
  return (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
}

// Keeps an allocation of at least `pixels` pixels; false when memory runs out.
bool Reserve(uint32_t** store, size_t* capacity, size_t pixels) {
  if (pixels <= *capacity) return true;
  std::free(*store);
  *store = static_cast<uint32_t*>(std::malloc(pixels * sizeof(uint32_t)));
  *capacity = *store != nullptr ? pixels : 0;
  return *store != nullptr;
}

// Copies what changed since the last present into the canvas picture and
// lists it for the script.
void Present() {
  page.rectCount = 0;
  page.sentPixels = 0;
  VisitPendingRects(page.step.damage, page.pixelScale, page.window.width, page.window.height,
                    [](const DamageRect& sceneRect, const DamageRect& r) {
    ScaleRectInto(page.window, page.backBuffer, sceneRect, page.pixelScale);
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint32_t* row = page.window.Row(y);
      for (int32_t x = r.left; x < r.right; ++x) row[x] = SwapRedAndBlue(row[x]) | kOpaque;
    }
    int32_t* out = page.rects + 4 * page.rectCount++;
    out[0] = r.left;
    out[1] = r.top;
    out[2] = r.right - r.left;
    out[3] = r.bottom - r.top;
    page.sentPixels += static_cast<int64_t>(out[2]) * out[3];
  });
  ClearDamage(&page.step.damage);
}

int32_t ClampPosition(int32_t position) {
  return position < 0 ? 0 : position > kSliderMaxPosition ? kSliderMaxPosition : position;
}

}  // namespace

// ---- Address options and the text exchange buffer ----

NAVANAVA_EXPORT char* NavaTextBuffer() { return page.text; }
NAVANAVA_EXPORT int32_t NavaTextCapacity() { return kPageTextCapacity; }

NAVANAVA_EXPORT void NavaClearOptions() { ClearSaverOptions(&page.options); }

// The parameter's name is in the text buffer from 0, its value right after it.
NAVANAVA_EXPORT int32_t NavaPageOption(int32_t nameLength, int32_t valueLength) {
  if (nameLength < 0 || valueLength < 0 ||
      static_cast<int64_t>(nameLength) + valueLength > kPageTextCapacity)
    return 0;
  const std::string_view name(page.text, static_cast<size_t>(nameLength));
  const std::string_view value(page.text + nameLength, static_cast<size_t>(valueLength));
  return ApplyPageOption(&page.options, name, value) ? 1 : 0;
}

// After the settings dialog's OK the settings just chosen run from the next
// set-up on, in place of the address's: also when the browser refused to
// store them, so that they hold at least for this visit.
NAVANAVA_EXPORT void NavaKeepChosenSettings() {
  page.options.hasTickInterval = true;
  page.options.tickIntervalMs = sceneSettings.tickIntervalMs;
  page.options.hasFlakeCount = true;
  page.options.flakeCount = sceneSettings.flakeCount;
}

// ---- The scene ----

// Starts the scene for a canvas of width x height device pixels: reads the
// settings, lets the address options override them, and sets the scene up
// with the address's seed or `timeSeed` (the calendar time in seconds).
// Returns 1, or 0 when the canvas is empty or too large, or memory or the
// built-in sprites fail; nothing is drawn then.
NAVANAVA_EXPORT int32_t NavaSetUp(int32_t windowWidth, int32_t windowHeight, double now,
                                  uint32_t timeSeed) {
  page.ready = false;
  page.rectCount = 0;
  if (windowWidth <= 0 || windowHeight <= 0 ||
      static_cast<int64_t>(windowWidth) * windowHeight > kMaxWindowPixels)
    return 0;
  if (!saverSprites.loaded && !LoadSaverSprites()) return 0;
  const int32_t scale = ChoosePixelScale(windowWidth, windowHeight, page.options.pixelScale);
  const int32_t sceneWidth = SceneExtent(windowWidth, scale);
  const int32_t sceneHeight = SceneExtent(windowHeight, scale);
  const size_t windowPixels = static_cast<size_t>(windowWidth) * windowHeight;
  const size_t scenePixels = static_cast<size_t>(sceneWidth) * sceneHeight;
  if (!Reserve(&page.windowStore, &page.windowCapacity, windowPixels) ||
      !Reserve(&page.backStore, &page.backCapacity, scenePixels))
    return 0;
  page.pixelScale = scale;
  page.window = PixelBuffer32{page.windowStore, windowWidth, windowHeight, windowWidth};
  page.backBuffer = PixelBuffer32{page.backStore, sceneWidth, sceneHeight, sceneWidth};
  // The back buffer starts black, as after its creation. The canvas picture
  // needs no start: only rectangles written from the back buffer are sent.
  std::memset(page.backStore, 0, scenePixels * sizeof(uint32_t));

  LoadSaverStrings();
  ReadSettings();
  if (page.options.hasTickInterval) sceneSettings.tickIntervalMs = page.options.tickIntervalMs;
  if (page.options.hasFlakeCount) sceneSettings.flakeCount = page.options.flakeCount;
  page.tickIntervalMs = sceneSettings.tickIntervalMs;
  scene.screenWidth = sceneWidth;
  scene.screenHeight = sceneHeight;
  InitSceneWithSeed(page.options.hasSeed ? page.options.seed : timeSeed);

  // The script clears the canvas to black at every set-up, so like the back
  // buffer it needs nothing but what the ticks draw.
  StartFrameStep(&page.step, sceneWidth, sceneHeight);
  ClearDamage(&page.step.damage);
  StartFrameClock(&page.clock, now, page.tickIntervalMs);
  page.ready = true;
  return 1;
}

// Runs the ticks due at `now` (none past the address's stop tick) and, when
// anything changed, copies it into the canvas picture. Returns the number of
// rectangles to send (NavaRects), 0 when the canvas stays as it is.
NAVANAVA_EXPORT int32_t NavaFrame(double now) {
  page.rectCount = 0;
  if (!page.ready) return 0;
  int32_t due = TakeDueTicks(&page.clock, now);
  const int32_t stop = page.options.stopAfterTicks;
  if (stop > 0 && due > stop - page.step.ticksDone) due = stop - page.step.ticksDone;
  for (int32_t i = 0; i < due; ++i) StepFrame(&page.step, page.backBuffer, saverSprites.rgb);
  if (due == 0 && !page.step.damage.whole) return 0;
  Present();
  return page.rectCount;
}

// A tab that becomes visible again goes on from where it stopped.
NAVANAVA_EXPORT void NavaRestartClock(double now) { RestartFrameClock(&page.clock, now); }

// The canvas picture must be sent whole again (the browser lost the canvas).
NAVANAVA_EXPORT void NavaDamageAll() { DamageWholeScreen(&page.step.damage); }

NAVANAVA_EXPORT int32_t* NavaRects() { return page.rects; }
NAVANAVA_EXPORT uint32_t* NavaWindowPixels() { return page.windowStore; }
NAVANAVA_EXPORT uint32_t* NavaBackPixels() { return page.backStore; }

// What runs: for the page's status line and its tests.
NAVANAVA_EXPORT int32_t NavaTick() { return page.step.ticksDone; }
NAVANAVA_EXPORT int32_t NavaSceneWidth() { return page.backBuffer.width; }
NAVANAVA_EXPORT int32_t NavaSceneHeight() { return page.backBuffer.height; }
NAVANAVA_EXPORT int32_t NavaPixelScale() { return page.pixelScale; }
NAVANAVA_EXPORT int32_t NavaTickIntervalMs() { return page.tickIntervalMs; }
NAVANAVA_EXPORT int32_t NavaEffectiveIntervalMs() { return page.clock.intervalMs; }
NAVANAVA_EXPORT int32_t NavaFlakeCount() { return scene.flakeCount; }
NAVANAVA_EXPORT int32_t NavaStopAfterTicks() { return page.options.stopAfterTicks; }
NAVANAVA_EXPORT int32_t NavaShowFps() { return page.options.showFps ? 1 : 0; }
NAVANAVA_EXPORT double NavaSentPixels() { return static_cast<double>(page.sentPixels); }

// ---- Full screen ----

NAVANAVA_EXPORT int32_t NavaMovedBeyond(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y) {
  return MovedBeyondThreshold(anchorX, anchorY, x, y) ? 1 : 0;
}

// ---- The settings dialog ----

// Reads the stored settings as the dialog opens; the sliders then show
// NavaSpeedPosition and NavaCountPosition.
NAVANAVA_EXPORT void NavaOpenSettings() {
  LoadSaverStrings();
  ReadSettings();
}

// The slider positions for the settings record, at the nearest end when the
// stored value lies beyond one.
NAVANAVA_EXPORT int32_t NavaSpeedPosition() {
  return ClampPosition(SpeedPositionFromInterval(sceneSettings.tickIntervalMs));
}
NAVANAVA_EXPORT int32_t NavaCountPosition() {
  return ClampPosition(CountPositionFromFlakeCount(sceneSettings.flakeCount));
}

// OK: the record from the sliders, then stored, speed first.
NAVANAVA_EXPORT void NavaSettingsOk(int32_t speedPosition, int32_t countPosition) {
  sceneSettings.tickIntervalMs = IntervalFromSpeedPosition(ClampPosition(speedPosition));
  sceneSettings.flakeCount = FlakeCountFromCountPosition(ClampPosition(countPosition));
  WriteSettings();
}

// Default: the record back to the defaults, nothing stored; the sliders go to
// NavaDefaultSpeedPosition and NavaDefaultCountPosition.
NAVANAVA_EXPORT void NavaSettingsDefault() {
  sceneSettings.tickIntervalMs = kDefaultTickIntervalMs;
  sceneSettings.flakeCount = kDefaultFlakeCount;
}
NAVANAVA_EXPORT int32_t NavaDefaultSpeedPosition() { return kDefaultSpeedPosition; }
NAVANAVA_EXPORT int32_t NavaDefaultCountPosition() { return kDefaultCountPosition; }
