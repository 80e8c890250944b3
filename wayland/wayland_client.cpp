#include "wayland/wayland_client.h"

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "render/pixel_scale.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"
#include "wayland/wayland_protocols.h"
#include "wayland/wayland_text.h"

WaylandClient waylandClient;

namespace {

WaylandClient& client = waylandClient;

int IndexOf(const OutputRecord* o) { return static_cast<int>(o - client.outputs); }

bool IsSceneOutput(const OutputRecord* o) { return client.view.outputIndex == IndexOf(o); }

// ---- Buffers ----

void OnBufferRelease(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy = false; }
const wl_buffer_listener kBufferListener = {OnBufferRelease};

// A black XRGB8888 buffer in a memory file of its own. False when memory
// or the compositor's size limit says no.
bool MakeBuffer(ShmBuffer* b, int32_t width, int32_t height) {
  std::memset(b, 0, sizeof *b);
  const size_t stride = static_cast<size_t>(width) * 4;
  const size_t bytes = stride * static_cast<size_t>(height);
  if (width < 1 || height < 1 || bytes > INT32_MAX) return false;
  const int fd = memfd_create("navanava-wayland", MFD_CLOEXEC);
  if (fd < 0) return false;
  if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    close(fd);
    return false;
  }
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(client.shm, fd, static_cast<int32_t>(bytes));
  b->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, static_cast<int32_t>(stride),
                                        WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);  // the pool and our mapping keep the memory
  wl_buffer_add_listener(b->buffer, &kBufferListener, b);
  b->pixels = static_cast<uint32_t*>(memory);
  b->bytes = bytes;
  b->width = width;
  b->height = height;
  return true;
}

// The compositor keeps its own mapping of a buffer it still shows, so the
// buffer may go even while busy.
void DestroyBuffer(ShmBuffer* b) {
  if (b->buffer != nullptr) wl_buffer_destroy(b->buffer);
  if (b->pixels != nullptr) munmap(b->pixels, b->bytes);
  std::memset(b, 0, sizeof *b);
}

void DestroyBuffers(OutputRecord* o) {
  for (ShmBuffer& b : o->buffers) DestroyBuffer(&b);
}

// ---- The scene ----

void OnFrameDone(void* data, wl_callback* callback, uint32_t) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  wl_callback_destroy(callback);
  o->frame = nullptr;
  if (IsSceneOutput(o)) client.view.frameReady = true;
}
const wl_callback_listener kFrameListener = {OnFrameDone};

void FreeBackStore() {
  SceneView& v = client.view;
  std::free(v.backStore);
  v.backStore = nullptr;
  v.back = PixelBuffer32{nullptr, 0, 0, 0};
}

// The scene from its first tick on the scene output at its current size.
void StartSceneOn(OutputRecord* o) {
  SceneView& v = client.view;
  DestroyBuffers(o);
  v.bufferScale = o->scale;
  v.deviceWidth = o->width * o->scale;
  v.deviceHeight = o->height * o->scale;
  v.pixelScale = ChoosePixelScale(v.deviceWidth, v.deviceHeight, v.requestedScale);
  v.sceneWidth = SceneExtent(v.deviceWidth, v.pixelScale);
  v.sceneHeight = SceneExtent(v.deviceHeight, v.pixelScale);
  FreeBackStore();
  const size_t pixels = static_cast<size_t>(v.sceneWidth) * static_cast<size_t>(v.sceneHeight);
  v.backStore = static_cast<uint32_t*>(std::calloc(pixels, sizeof(uint32_t)));
  if (v.backStore == nullptr) {
    client.noMemory = true;
    return;
  }
  v.back = PixelBuffer32{v.backStore, v.sceneWidth, v.sceneHeight, v.sceneWidth};
  scene.screenWidth = v.sceneWidth;
  scene.screenHeight = v.sceneHeight;
  if (v.hasSeed) {
    InitSceneWithSeed(v.seed);
  } else {
    InitScene();
  }
  StartFrameStep(&v.step, v.sceneWidth, v.sceneHeight);
  const double now = MonotonicMs();
  StartFrameClock(&v.clock, now, sceneSettings.tickIntervalMs);
  StartFrameRateMeter(&v.meter, static_cast<int64_t>(now * kNanosecondsPerMs));
  v.frameReady = o->frame == nullptr;
  v.presentDue = true;
}

void AddMissed(FrameDamage* missed, const FrameDamage& changed) {
  if (changed.whole) {
    DamageWholeScreen(missed);
    return;
  }
  for (int32_t i = 0; i < changed.count && !missed->whole; ++i) {
    const DamageRect& r = changed.rects[i];
    AddDamage(missed, r.left, r.top, r.right, r.bottom);
  }
}

// A released buffer of the scene output, made when none is free and there is
// room for one more. Null when every buffer is still with the compositor.
ShmBuffer* FreeSceneBuffer(OutputRecord* o) {
  for (ShmBuffer& b : o->buffers) {
    if (b.buffer != nullptr && !b.busy) return &b;
  }
  for (ShmBuffer& b : o->buffers) {
    if (b.buffer != nullptr) continue;
    if (!MakeBuffer(&b, client.view.deviceWidth, client.view.deviceHeight)) {
      client.noMemory = true;
      return nullptr;
    }
    ResetDamage(&b.missed, client.view.sceneWidth, client.view.sceneHeight);
    return &b;
  }
  return nullptr;
}

bool HasFreeSceneBuffer(const OutputRecord* o) {
  for (const ShmBuffer& b : o->buffers) {
    if (b.buffer == nullptr || !b.busy) return true;
  }
  return false;
}

// Sends the frame in the back buffer. False when no buffer is free; the
// changes then wait for the next release.
bool PresentScene(OutputRecord* o) {
  SceneView& v = client.view;
  ShmBuffer* b = FreeSceneBuffer(o);
  if (b == nullptr) return false;
  for (ShmBuffer& each : o->buffers) {
    if (each.buffer != nullptr) AddMissed(&each.missed, v.step.damage);
  }
  const PixelBuffer32 target = {b->pixels, b->width, b->height, b->width};
  VisitPendingRects(b->missed, v.pixelScale, v.deviceWidth, v.deviceHeight,
                    [&](const DamageRect& sceneRect, const DamageRect&) {
                      ScaleRectInto(target, v.back, sceneRect, v.pixelScale);
                    });
  ClearDamage(&b->missed);
  VisitPendingRects(v.step.damage, v.pixelScale, v.deviceWidth, v.deviceHeight,
                    [&](const DamageRect&, const DamageRect& w) {
                      wl_surface_damage_buffer(o->surface, w.left, w.top, w.right - w.left,
                                               w.bottom - w.top);
                    });
  ClearDamage(&v.step.damage);
  if (v.showFps) {
    // The text goes over the copied scene in this buffer only; the others
    // rebuild its corner from the back buffer when next written.
    DamageRect text;
    if (DrawFrameRateText(target, v.meter.framesPerSecond, v.pixelScale, &text)) {
      wl_surface_damage_buffer(o->surface, text.left, text.top, text.right - text.left,
                               text.bottom - text.top);
      const DamageRect sceneText = {text.left / v.pixelScale, text.top / v.pixelScale,
                                    SceneExtent(text.right, v.pixelScale),
                                    SceneExtent(text.bottom, v.pixelScale)};
      for (ShmBuffer& each : o->buffers) {
        if (each.buffer != nullptr && &each != b) {
          AddDamage(&each.missed, sceneText.left, sceneText.top, sceneText.right,
                    sceneText.bottom);
        }
      }
      // The next frame must cover this text whatever the scene does.
      AddDamage(&v.step.damage, sceneText.left, sceneText.top, sceneText.right, sceneText.bottom);
    }
  }
  wl_surface_set_buffer_scale(o->surface, v.bufferScale);
  wl_surface_attach(o->surface, b->buffer, 0, 0);
  if (o->frame == nullptr) {
    o->frame = wl_surface_frame(o->surface);
    wl_callback_add_listener(o->frame, &kFrameListener, o);
  }
  wl_surface_commit(o->surface);
  b->busy = true;
  v.frameReady = false;
  v.presentDue = false;
  return true;
}

bool Stopped() {
  const SceneView& v = client.view;
  return v.stopAfterTicks > 0 && v.step.ticksDone >= v.stopAfterTicks;
}

// ---- Black outputs ----

// A full-size black buffer, written once. (A single black pixel stretched
// by a viewport would do with less memory, but wlroots' software renderer
// leaves the last column of such a surface unpainted.)
void ShowBlack(OutputRecord* o) {
  ShmBuffer* b = &o->buffers[0];
  const int32_t w = o->width * o->scale, h = o->height * o->scale;
  if (b->buffer == nullptr || b->width != w || b->height != h) {
    DestroyBuffers(o);
    if (!MakeBuffer(b, w, h)) {
      client.noMemory = true;
      return;
    }
  }
  wl_surface_set_buffer_scale(o->surface, o->scale);
  wl_surface_attach(o->surface, b->buffer, 0, 0);
  wl_surface_damage_buffer(o->surface, 0, 0, w, h);
  wl_surface_commit(o->surface);
  o->blackShown = true;
}

// ---- Layer surfaces ----

void DestroySurface(OutputRecord* o) {
  if (o->frame != nullptr) wl_callback_destroy(o->frame);
  o->frame = nullptr;
  if (o->layer != nullptr) zwlr_layer_surface_v1_destroy(o->layer);
  o->layer = nullptr;
  if (o->surface != nullptr) wl_surface_destroy(o->surface);
  o->surface = nullptr;
  DestroyBuffers(o);
  o->configured = false;
  o->blackShown = false;
  o->left = false;
  o->width = o->height = 0;
}

void LeaveSceneOutput() {
  const int i = client.view.outputIndex;
  client.view.outputIndex = -1;
  if (i < 0) return;
  OutputRecord* o = &client.outputs[i];
  DestroyBuffers(o);
  o->blackShown = false;
}

void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                      uint32_t height) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  // Anchored to all four edges the surface gets the output's size; should a
  // compositor leave it to us, the current mode's logical size is it.
  int32_t w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) {
    const int32_t s = o->scale > 0 ? o->scale : 1;
    w = o->modeWidth > 0 ? o->modeWidth / s : 640;
    h = o->modeHeight > 0 ? o->modeHeight / s : 480;
  }
  // Configures repeat often; only a new size asks for new buffers.
  if (o->configured && w == o->width && h == o->height) return;
  o->configured = true;
  o->width = w;
  o->height = h;
  if (IsSceneOutput(o)) {
    StartSceneOn(o);
  } else {
    o->blackShown = false;
  }
}

void OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if (IsSceneOutput(o)) LeaveSceneOutput();
  DestroySurface(o);
  o->closed = true;
}

const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

// sway disables an output without removing it or closing our surface: the
// surface only leaves the output. The scene then moves to another output.
void OnSurfaceEnter(void* data, wl_surface*, wl_output* output) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if (output == o->output) o->left = false;
}
void OnSurfaceLeave(void* data, wl_surface*, wl_output* output) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if (output == o->output) o->left = true;
}
const wl_surface_listener kSurfaceListener = {OnSurfaceEnter, OnSurfaceLeave};

void CreateSurface(OutputRecord* o) {
  o->surface = wl_compositor_create_surface(client.compositor);
  wl_surface_add_listener(o->surface, &kSurfaceListener, o);
  // A wallpaper of ours goes on the bottom layer: above the background
  // layer's wallpaper programs (swaybg), whose surfaces may come first and
  // would hide it, and below windows and panels.
  const uint32_t layer = client.background ? ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM
                                           : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY;
  o->layer = zwlr_layer_shell_v1_get_layer_surface(client.layerShell, o->surface, o->output, layer,
                                                   "navanava");
  zwlr_layer_surface_v1_add_listener(o->layer, &kLayerListener, o);
  zwlr_layer_surface_v1_set_anchor(
      o->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_exclusive_zone(o->layer, -1);
  if (client.background) {
    // Input passes through to whatever lies above.
    zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer, 0);
    wl_region* none = wl_compositor_create_region(client.compositor);
    wl_surface_set_input_region(o->surface, none);
    wl_region_destroy(none);
  } else {
    zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer, 1);  // exclusive
  }
  wl_surface_commit(o->surface);
}

// ---- Outputs ----

void CopyName(OutputRecord* o, const char* name) {
  if (name == nullptr) return;
  std::strncpy(o->name, name, sizeof o->name - 1);
  o->name[sizeof o->name - 1] = '\0';
}

// A new output scale changes the device pixels under an unchanged surface.
void OnOutputChanged(OutputRecord* o) {
  if (o->surface == nullptr || !o->configured) return;
  if (IsSceneOutput(o)) {
    if (client.view.bufferScale != o->scale) StartSceneOn(o);
  } else if (o->buffers[0].buffer != nullptr && o->buffers[0].width != o->width * o->scale) {
    o->blackShown = false;
  }
}

void OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                      const char*, const char*, int32_t) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if (o->xdgOutput == nullptr) {
    o->x = x;
    o->y = y;
  }
}

void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
    o->modeWidth = width;
    o->modeHeight = height;
  }
}

void OnOutputDone(void* data, wl_output*) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  o->scale = o->pendingScale > 0 ? o->pendingScale : 1;
  o->described = true;
  OnOutputChanged(o);
}

void OnOutputScale(void* data, wl_output*, int32_t factor) {
  static_cast<OutputRecord*>(data)->pendingScale = factor;
}

void OnOutputName(void* data, wl_output*, const char* name) {
  CopyName(static_cast<OutputRecord*>(data), name);
}

void OnOutputDescription(void*, wl_output*, const char*) {}

const wl_output_listener kOutputListener = {OnOutputGeometry, OnOutputMode, OnOutputDone,
                                            OnOutputScale,    OnOutputName, OnOutputDescription};

void OnXdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  o->x = x;
  o->y = y;
}
void OnXdgSize(void*, zxdg_output_v1*, int32_t, int32_t) {}
void OnXdgDone(void*, zxdg_output_v1*) {}
// wl_output's own name (version 4) wins: both name the same connector.
void OnXdgName(void* data, zxdg_output_v1*, const char* name) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  if (o->name[0] == '\0') CopyName(o, name);
}
void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener kXdgOutputListener = {OnXdgPosition, OnXdgSize, OnXdgDone, OnXdgName,
                                                    OnXdgDescription};

void WatchXdgOutput(OutputRecord* o) {
  if (client.xdgOutputManager == nullptr || o->xdgOutput != nullptr) return;
  o->xdgOutput = zxdg_output_manager_v1_get_xdg_output(client.xdgOutputManager, o->output);
  zxdg_output_v1_add_listener(o->xdgOutput, &kXdgOutputListener, o);
}

// ---- Output power ----

// A screen that goes off stops the scene where it is (the compositor may go
// on sending frame callbacks for it); one that comes on again starts the
// ticks from that moment rather than running those it missed.
void OnPowerMode(void* data, zwlr_output_power_v1*, uint32_t mode) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  const bool off = mode == ZWLR_OUTPUT_POWER_V1_MODE_OFF;
  if (o->poweredOff && !off && IsSceneOutput(o)) {
    RestartFrameClock(&client.view.clock, MonotonicMs());
    client.view.presentDue = true;
  }
  o->poweredOff = off;
}

// The compositor will say nothing more about this output's power: it counts
// as on.
void OnPowerFailed(void* data, zwlr_output_power_v1* power) {
  OutputRecord* o = static_cast<OutputRecord*>(data);
  zwlr_output_power_v1_destroy(power);
  o->power = nullptr;
  OnPowerMode(o, nullptr, ZWLR_OUTPUT_POWER_V1_MODE_ON);
}

const zwlr_output_power_v1_listener kPowerListener = {OnPowerMode, OnPowerFailed};

void WatchPower(OutputRecord* o) {
  if (client.powerManager == nullptr || o->power != nullptr) return;
  o->power = zwlr_output_power_manager_v1_get_output_power(client.powerManager, o->output);
  zwlr_output_power_v1_add_listener(o->power, &kPowerListener, o);
}

void AddOutput(uint32_t name, uint32_t version) {
  for (OutputRecord& o : client.outputs) {
    if (o.used) continue;
    std::memset(&o, 0, sizeof o);
    o.used = true;
    o.globalName = name;
    o.scale = o.pendingScale = 1;
    o.output = static_cast<wl_output*>(
        wl_registry_bind(client.registry, name, &wl_output_interface, version < 4 ? version : 4));
    wl_output_add_listener(o.output, &kOutputListener, &o);
    WatchXdgOutput(&o);
    WatchPower(&o);
    return;
  }
  // More outputs than the table holds stay uncovered.
}

void RemoveOutput(OutputRecord* o) {
  if (IsSceneOutput(o)) LeaveSceneOutput();
  DestroySurface(o);
  if (o->power != nullptr) zwlr_output_power_v1_destroy(o->power);
  if (o->xdgOutput != nullptr) zxdg_output_v1_destroy(o->xdgOutput);
  if (o->output != nullptr) {
    if (wl_output_get_version(o->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
      wl_output_release(o->output);
    } else {
      wl_output_destroy(o->output);
    }
  }
  std::memset(o, 0, sizeof *o);
}

bool NamedAsWanted(const OutputRecord& o) {
  return client.wantedOutput != nullptr && std::strcmp(o.name, client.wantedOutput) == 0;
}

// The output for the scene: the one named by --output, else the one with the
// most pixels (the first of equals).
int ChooseSceneOutput() {
  int best = -1;
  int64_t bestArea = -1;
  for (int i = 0; i < kMaxOutputs; ++i) {
    const OutputRecord& o = client.outputs[i];
    if (!o.used || !o.described || o.surface == nullptr || o.left) continue;
    if (NamedAsWanted(o)) return i;
    const int64_t area = static_cast<int64_t>(o.modeWidth) * o.modeHeight;
    if (area > bestArea) {
      best = i;
      bestArea = area;
    }
  }
  return best;
}

// ---- Registry ----

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    client.compositorVersion = version;
    if (version >= 4) {
      client.compositor =
          static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    }
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    client.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
    client.layerShellVersion = version;
    client.layerShell = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, version < 4 ? version : 4));
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    client.xdgOutputManager = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
        registry, name, &zxdg_output_manager_v1_interface, version < 3 ? version : 3));
    for (OutputRecord& o : client.outputs) {
      if (o.used) WatchXdgOutput(&o);
    }
  } else if (std::strcmp(interface, zwlr_output_power_manager_v1_interface.name) == 0) {
    client.powerManager = static_cast<zwlr_output_power_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_output_power_manager_v1_interface, 1));
    for (OutputRecord& o : client.outputs) {
      if (o.used) WatchPower(&o);
    }
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    AddOutput(name, version);
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
    if (!client.background) OnSeatGlobal(name, version);
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t name) {
  for (OutputRecord& o : client.outputs) {
    if (o.used && o.globalName == name) {
      RemoveOutput(&o);
      return;
    }
  }
  OnGlobalRemoved(name);
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

double MonotonicMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

bool BindGlobals(const char** missing) {
  client.view.outputIndex = -1;
  client.registry = wl_display_get_registry(client.display);
  wl_registry_add_listener(client.registry, &kRegistryListener, nullptr);
  if (wl_display_roundtrip(client.display) < 0) {
    *missing = nullptr;
    return false;
  }
  if (client.layerShell == nullptr) {
    *missing = "zwlr_layer_shell_v1";
    return false;
  }
  if (client.compositor == nullptr) {
    *missing = "wl_compositor version 4";
    return false;
  }
  if (client.shm == nullptr) {
    *missing = "wl_shm";
    return false;
  }
  // The outputs' descriptions (and the seats' capabilities).
  if (wl_display_roundtrip(client.display) < 0) {
    *missing = nullptr;
    return false;
  }
  return true;
}

void CoverOutputs() {
  for (OutputRecord& o : client.outputs) {
    if (o.used && o.described && !o.closed && o.surface == nullptr) CreateSurface(&o);
  }
  SceneView& v = client.view;
  if (v.outputIndex >= 0 && client.outputs[v.outputIndex].left) LeaveSceneOutput();
  const bool wantedShown = v.outputIndex >= 0 && NamedAsWanted(client.outputs[v.outputIndex]);
  if (v.outputIndex >= 0 && (client.wantedOutput == nullptr || wantedShown)) return;
  const int chosen = ChooseSceneOutput();
  if (chosen < 0 || chosen == v.outputIndex) return;
  if (v.outputIndex >= 0 && !NamedAsWanted(client.outputs[chosen])) return;
  LeaveSceneOutput();
  v.outputIndex = chosen;
  OutputRecord* o = &client.outputs[chosen];
  if (o->configured) StartSceneOn(o);
}

void DrawDue(double nowMs) {
  for (OutputRecord& o : client.outputs) {
    if (o.used && o.configured && !o.blackShown && !IsSceneOutput(&o)) ShowBlack(&o);
  }
  SceneView& v = client.view;
  if (v.outputIndex < 0 || v.back.pixels == nullptr) return;
  OutputRecord* o = &client.outputs[v.outputIndex];
  if (!o->configured || !v.frameReady || o->poweredOff) return;
  int32_t due = Stopped() ? 0 : TakeDueTicks(&v.clock, nowMs);
  if (v.stopAfterTicks > 0 && due > v.stopAfterTicks - v.step.ticksDone) {
    due = v.stopAfterTicks - v.step.ticksDone;
  }
  if (due == 0 && !v.presentDue) return;
  for (int32_t i = 0; i < due; ++i) StepFrame(&v.step, v.back, saverSprites.rgb);
  if (due > 0) CountFrame(&v.meter, static_cast<int64_t>(nowMs * kNanosecondsPerMs));
  if (!PresentScene(o)) v.presentDue = true;
}

double TimeUntilDrawDue(double nowMs) {
  for (const OutputRecord& o : client.outputs) {
    if (o.used && o.configured && !o.blackShown && !IsSceneOutput(&o)) return 0;
  }
  const SceneView& v = client.view;
  if (v.outputIndex < 0 || v.back.pixels == nullptr) return -1;
  const OutputRecord& o = client.outputs[v.outputIndex];
  if (!o.configured || !v.frameReady || o.poweredOff) return -1;
  if (v.presentDue) return HasFreeSceneBuffer(&o) ? 0 : -1;
  if (Stopped()) return -1;
  const double left = v.clock.nextTickAt - nowMs;
  return left > 0 ? left : 0;
}

bool WantedOutputPresent() {
  for (const OutputRecord& o : client.outputs) {
    if (o.used && NamedAsWanted(o)) return true;
  }
  return false;
}

OutputRecord* OutputOfSurface(wl_surface* surface) {
  if (surface == nullptr) return nullptr;
  return static_cast<OutputRecord*>(wl_surface_get_user_data(surface));
}

void ReleaseClient() {
  for (OutputRecord& o : client.outputs) {
    if (o.used) RemoveOutput(&o);
  }
  FreeBackStore();
  if (client.xdgOutputManager != nullptr) zxdg_output_manager_v1_destroy(client.xdgOutputManager);
  if (client.powerManager != nullptr) zwlr_output_power_manager_v1_destroy(client.powerManager);
  if (client.layerShell != nullptr) {
    if (client.layerShellVersion >= 3) {
      zwlr_layer_shell_v1_destroy(client.layerShell);
    } else {
      wl_proxy_destroy(reinterpret_cast<wl_proxy*>(client.layerShell));
    }
  }
  if (client.shm != nullptr) wl_shm_destroy(client.shm);
  if (client.compositor != nullptr) wl_compositor_destroy(client.compositor);
  if (client.registry != nullptr) wl_registry_destroy(client.registry);
  client.xdgOutputManager = nullptr;
  client.powerManager = nullptr;
  client.layerShell = nullptr;
  client.shm = nullptr;
  client.compositor = nullptr;
  client.registry = nullptr;
}
