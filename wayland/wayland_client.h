#pragma once
// The saver's connection to the compositor: its globals, one layer surface
// per output, and the scene on one of them. Every other output shows black.
//
// The scene is composed at scene size into a back buffer of our own and
// copied, enlarged by the pixel scale, into wl_shm buffers at the output's
// device pixels. A buffer is written only after the compositor released it;
// each buffer keeps the scene rectangles it has missed since it was last
// shown, so a reused buffer is brought up to date with exactly those.
#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

#include "host/frame_clock.h"
#include "host/timer_clock.h"
#include "render/frame_step.h"
#include "render/pixel_buffer.h"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_output_power_manager_v1;
struct zwlr_output_power_v1;

constexpr int kMaxOutputs = 16;
constexpr int kMaxSceneBuffers = 3;
constexpr size_t kOutputNameCapacity = 64;

struct ShmBuffer {
  wl_buffer* buffer;  // null: not made
  uint32_t* pixels;   // XRGB8888, stride = width
  size_t bytes;
  int32_t width, height;
  bool busy;          // attached and not yet released by the compositor
  FrameDamage missed; // scene rectangles that changed since this buffer was last written
};

struct OutputRecord {
  bool used;
  uint32_t globalName;
  wl_output* output;
  zxdg_output_v1* xdgOutput;
  int32_t scale, pendingScale;          // wl_output.scale, applied on done
  int32_t modeWidth, modeHeight;        // the current mode, device pixels
  zwlr_output_power_v1* power;          // null where the compositor does not say
  bool poweredOff;                      // the screen is off: nothing is drawn for it
  int32_t x, y;                         // the output's place in the compositor's space
  char name[kOutputNameCapacity];
  bool described;                       // the first done event came
  wl_surface* surface;
  zwlr_layer_surface_v1* layer;
  int32_t width, height;                // the configured size, logical pixels
  bool configured;
  bool closed;                          // the compositor closed our surface: not made again
  bool left;                            // the surface left its output (the output was
                                        // disabled): it shows nothing until it enters again
  bool blackShown;                      // the black picture is committed at this size
  ShmBuffer buffers[kMaxSceneBuffers];  // the scene's buffers, or the black one
  wl_callback* frame;
};

struct SceneView {
  int outputIndex;  // the output that shows the scene, -1 for none
  int32_t deviceWidth, deviceHeight;  // the surface's size in buffer pixels
  int32_t bufferScale;
  int32_t pixelScale, sceneWidth, sceneHeight;
  uint32_t* backStore;
  size_t backBytes;
  PixelBuffer32 back;
  FrameStep step;
  FrameClock clock;
  FrameRateMeter meter;
  bool frameReady;    // the compositor wants a frame (or none was shown yet)
  bool presentDue;    // a frame with no new tick must still go out (new buffers, text)
  int32_t stopAfterTicks;
  bool showFps;
  int32_t requestedScale;
  bool hasSeed;
  uint32_t seed;
};

struct WaylandClient {
  wl_display* display;
  wl_registry* registry;
  wl_compositor* compositor;
  wl_shm* shm;
  zwlr_layer_shell_v1* layerShell;
  zxdg_output_manager_v1* xdgOutputManager;
  zwlr_output_power_manager_v1* powerManager;
  uint32_t compositorVersion, layerShellVersion;
  bool background;          // bottom layer (above wallpapers), no input
  const char* wantedOutput;  // --output NAME, or null
  OutputRecord outputs[kMaxOutputs];
  SceneView view;
  bool noMemory;            // a buffer could not be made
};

extern WaylandClient waylandClient;

// CLOCK_MONOTONIC in milliseconds.
double MonotonicMs();

// Listeners the input side needs to see globals of its kind.
void OnSeatGlobal(uint32_t name, uint32_t version);
void OnGlobalRemoved(uint32_t name);

// Binds the globals and learns the outputs (two round trips). False when the
// compositor lacks something; `missing` then names it.
bool BindGlobals(const char** missing);
// Creates the layer surfaces for outputs that have none yet and picks the
// scene's output when there is none.
void CoverOutputs();
// Puts out what is due at `nowMs`: ticks and their frame on the scene output,
// black pictures on newly configured outputs.
void DrawDue(double nowMs);
// Milliseconds until DrawDue has something to do, or -1 for "not before an
// event from the compositor".
double TimeUntilDrawDue(double nowMs);
// Whether an output has the name given with --output.
bool WantedOutputPresent();
// The output under a surface of ours, or null.
OutputRecord* OutputOfSurface(wl_surface* surface);
// Destroys every surface, buffer and global object.
void ReleaseClient();
