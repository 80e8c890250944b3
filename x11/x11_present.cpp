#include "x11/x11_present.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

#include "x11/x11_errors.h"
#include "render/pixel_scale.h"
#include "render/saver_sprites.h"

X11Presenter x11Presenter;

namespace {

bool HostIsMsbFirst() {
  const uint32_t probe = 1;
  uint8_t first;
  std::memcpy(&first, &probe, 1);
  return first == 0;
}

// Allocates every distinct scene palette colour in the window's colormap.
// A colour that cannot be allocated (a full colormap) takes the nearest cell
// the colormap already holds.
void AllocatePaletteColours(X11Presenter& p) {
  const ScenePaletteEntries& palette = saverSprites.palette;
  uint32_t colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = i < static_cast<int>(palette.count) ? palette.colours[i] : 0;
  bool allocated[256] = {};
  bool anyFailed = false;
  BeginErrorTrap(p.display);
  for (int i = 0; i < 256; ++i) {
    int same = -1;
    for (int j = 0; j < i && same < 0; ++j) {
      if (allocated[j] && colours[j] == colours[i]) same = j;
    }
    if (same >= 0) {
      p.pixels.pixel[i] = p.pixels.pixel[same];
      allocated[i] = true;
      continue;
    }
    XColor c;
    c.red = static_cast<unsigned short>(((colours[i] >> 16) & 0xFF) * 257);
    c.green = static_cast<unsigned short>(((colours[i] >> 8) & 0xFF) * 257);
    c.blue = static_cast<unsigned short>((colours[i] & 0xFF) * 257);
    c.flags = DoRed | DoGreen | DoBlue;
    if (XAllocColor(p.display, p.colormap, &c)) {
      p.pixels.pixel[i] = static_cast<uint32_t>(c.pixel);
      allocated[i] = true;
    } else {
      anyFailed = true;
    }
  }
  EndErrorTrap(p.display);
  if (!anyFailed) return;

  // The nearest of the colormap's cells, by squared distance.
  const int cells = p.visual->map_entries < 256 ? p.visual->map_entries : 256;
  XColor cell[256];
  for (int k = 0; k < cells; ++k) cell[k].pixel = static_cast<unsigned long>(k);
  BeginErrorTrap(p.display);
  XQueryColors(p.display, p.colormap, cell, cells);
  const bool queryFailed = EndErrorTrap(p.display);
  for (int i = 0; i < 256; ++i) {
    if (allocated[i]) continue;
    p.pixels.pixel[i] = 0;
    if (queryFailed) continue;
    int64_t best = INT64_MAX;
    for (int k = 0; k < cells; ++k) {
      const int64_t dr = static_cast<int64_t>((colours[i] >> 16) & 0xFF) - (cell[k].red >> 8);
      const int64_t dg = static_cast<int64_t>((colours[i] >> 8) & 0xFF) - (cell[k].green >> 8);
      const int64_t db = static_cast<int64_t>(colours[i] & 0xFF) - (cell[k].blue >> 8);
      const int64_t d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        p.pixels.pixel[i] = static_cast<uint32_t>(cell[k].pixel);
      }
    }
  }
}

void ReleaseImage(X11Presenter& p) {
  if (p.image != nullptr) {
    if (p.imageShared) {
      // The server must be done with the segment before it goes.
      XShmDetach(p.display, &p.segment);
      XSync(p.display, False);
      shmdt(p.segment.shmaddr);
      p.image->data = nullptr;  // not ours to free()
    }
    XDestroyImage(p.image);  // frees a private image's pixels
  }
  p.image = nullptr;
  p.imageShared = false;
  p.completionPending = false;
  std::free(p.backStore);
  p.backStore = nullptr;
}

// A shared image, or null when anything on the way fails; a failed attach
// (a server on another machine announces the extension but cannot reach our
// memory) turns shared memory off for good.
XImage* CreateSharedImage(X11Presenter& p, int32_t width, int32_t height) {
  XImage* image = XShmCreateImage(p.display, p.visual, static_cast<unsigned>(p.depth), ZPixmap,
                                  nullptr, &p.segment, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height));
  if (image == nullptr) return nullptr;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
  p.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (p.segment.shmid < 0) {
    XDestroyImage(image);
    return nullptr;
  }
  void* address = shmat(p.segment.shmid, nullptr, 0);
#ifdef __linux__
  // Marked for removal at once: the segment goes when the last process
  // detaches, so even a killed process leaves none behind. Linux still lets
  // the server attach it.
  shmctl(p.segment.shmid, IPC_RMID, nullptr);
#endif
  if (address == reinterpret_cast<void*>(-1)) {
#ifndef __linux__
    shmctl(p.segment.shmid, IPC_RMID, nullptr);
#endif
    XDestroyImage(image);
    return nullptr;
  }
  p.segment.shmaddr = static_cast<char*>(address);
  p.segment.readOnly = False;
  image->data = p.segment.shmaddr;
  std::memset(image->data, 0, bytes);
  BeginErrorTrap(p.display);
  const Bool attached = XShmAttach(p.display, &p.segment);
  const bool failed = EndErrorTrap(p.display) || !attached;
#ifndef __linux__
  shmctl(p.segment.shmid, IPC_RMID, nullptr);
#endif
  if (failed) {
    shmdt(p.segment.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    p.sharedMemory = false;
    return nullptr;
  }
  return image;
}

XImage* CreatePrivateImage(X11Presenter& p, int32_t width, int32_t height) {
  XImage* image = XCreateImage(p.display, p.visual, static_cast<unsigned>(p.depth), ZPixmap, 0,
                               nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height),
                               32, 0);
  if (image == nullptr) return nullptr;
  image->data = static_cast<char*>(
      std::calloc(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height), 1));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return nullptr;
  }
  return image;
}

// Sends one window rectangle of the image.
void PutRect(X11Presenter& p, const DamageRect& w, bool last) {
  const unsigned width = static_cast<unsigned>(w.right - w.left);
  const unsigned height = static_cast<unsigned>(w.bottom - w.top);
  if (p.imageShared) {
    XShmPutImage(p.display, p.window, p.gc, p.image, w.left, w.top, w.left, w.top, width, height,
                 last ? True : False);
    if (last) p.completionPending = true;
  } else {
    XPutImage(p.display, p.window, p.gc, p.image, w.left, w.top, w.left, w.top, width, height);
  }
  p.pixelsSent += static_cast<uint64_t>(width) * height;
}

// Brings scene rectangle `r` into the image when the back buffer is not the
// image itself.
void Stage(X11Presenter& p, const DamageRect& r) {
  if (!p.direct) {
    if (p.indexed) {
      ConvertRectInto(p.layout, p.back8, r, p.scale, p.pixels);
    } else if (p.plainLayout) {
      const PixelBuffer32 image = {reinterpret_cast<uint32_t*>(p.layout.data), p.windowWidth,
                                   p.windowHeight, p.layout.bytesPerLine / 4};
      ScaleRectInto(image, p.back32, r, p.scale);
    } else {
      ConvertRectInto(p.layout, p.back32, r, p.scale, p.tables);
    }
  }
}

}  // namespace

PresenterStatus SetUpPresenter(Display* display, Window window,
                               const XWindowAttributes& attributes, bool allowSharedMemory) {
  X11Presenter& p = x11Presenter;
  std::memset(&p, 0, sizeof p);
  p.display = display;
  p.window = window;
  p.visual = attributes.visual;
  p.depth = attributes.depth;
  p.colormap = attributes.colormap;
  if (p.visual == nullptr) return PresenterStatus::kUnsupportedVisual;

  const int visualClass = p.visual->c_class;
  p.indexed = visualClass != TrueColor;
  if (p.indexed) {
    AllocatePaletteColours(p);
    p.blackPixel = p.pixels.pixel[0];
    p.whitePixel = p.pixels.pixel[255];
  } else {
    const ChannelMasks masks = {static_cast<uint32_t>(p.visual->red_mask),
                                static_cast<uint32_t>(p.visual->green_mask),
                                static_cast<uint32_t>(p.visual->blue_mask)};
    BuildTrueColourTables(masks, &p.tables);
    p.blackPixel = TrueColourPixel(p.tables, 0);
    p.whitePixel = TrueColourPixel(p.tables, 0xFFFFFF);
  }

  int major = 0, minor = 0;
  Bool pixmaps = False;
  p.sharedMemory = allowSharedMemory && XShmQueryExtension(display) &&
                   XShmQueryVersion(display, &major, &minor, &pixmaps);
  if (p.sharedMemory) p.completionEvent = XShmGetEventBase(display) + ShmCompletion;

  XGCValues values;
  values.foreground = p.whitePixel;
  values.background = p.blackPixel;
  values.graphics_exposures = False;
  p.gc = XCreateGC(display, window, GCForeground | GCBackground | GCGraphicsExposures, &values);
  return PresenterStatus::kReady;
}

PresenterStatus SizePresenter(int32_t windowWidth, int32_t windowHeight, int32_t requestedScale) {
  X11Presenter& p = x11Presenter;
  ReleaseImage(p);
  if (windowWidth < 1) windowWidth = 1;
  if (windowHeight < 1) windowHeight = 1;
  p.windowWidth = windowWidth;
  p.windowHeight = windowHeight;
  p.scale = ChoosePixelScale(windowWidth, windowHeight, requestedScale);
  p.sceneWidth = SceneExtent(windowWidth, p.scale);
  p.sceneHeight = SceneExtent(windowHeight, p.scale);

  if (p.sharedMemory) {
    p.image = CreateSharedImage(p, windowWidth, windowHeight);
    p.imageShared = p.image != nullptr;
  }
  if (p.image == nullptr) p.image = CreatePrivateImage(p, windowWidth, windowHeight);
  if (p.image == nullptr) return PresenterStatus::kNoMemory;

  p.layout = ImageLayout{reinterpret_cast<uint8_t*>(p.image->data), windowWidth, windowHeight,
                         p.image->bytes_per_line, p.image->bits_per_pixel,
                         p.image->byte_order == MSBFirst};
  if (!LayoutSupported(p.layout)) return PresenterStatus::kUnsupportedVisual;

  const bool sameOrder = p.layout.msbFirst == HostIsMsbFirst();
  p.plainLayout = !p.indexed && p.layout.bitsPerPixel == 32 && sameOrder &&
                  p.visual->red_mask == 0xFF0000 && p.visual->green_mask == 0xFF00 &&
                  p.visual->blue_mask == 0xFF && p.layout.bytesPerLine % 4 == 0;
  p.direct = p.plainLayout && p.scale == 1;
  if (p.direct) {
    p.back32 = PixelBuffer32{reinterpret_cast<uint32_t*>(p.image->data), windowWidth, windowHeight,
                             p.layout.bytesPerLine / 4};
  } else {
    const size_t pixels = static_cast<size_t>(p.sceneWidth) * static_cast<size_t>(p.sceneHeight);
    p.backStore = std::calloc(pixels, p.indexed ? 1 : 4);
    if (p.backStore == nullptr) return PresenterStatus::kNoMemory;
    if (p.indexed) {
      p.back8 = PixelBuffer8{static_cast<uint8_t*>(p.backStore), p.sceneWidth, p.sceneHeight, p.sceneWidth};
    } else {
      p.back32 = PixelBuffer32{static_cast<uint32_t*>(p.backStore), p.sceneWidth, p.sceneHeight, p.sceneWidth};
    }
  }
  return PresenterStatus::kReady;
}

void ReleasePresenter() {
  X11Presenter& p = x11Presenter;
  if (p.display == nullptr) return;
  ReleaseImage(p);
  if (p.font != nullptr) XFreeFont(p.display, p.font);
  p.font = nullptr;
  if (p.gc != nullptr) XFreeGC(p.display, p.gc);
  p.gc = nullptr;
}

void PresentDamage(FrameDamage* damage) {
  X11Presenter& p = x11Presenter;
  if (p.image == nullptr) return;
  // Stage every rectangle first: with shared memory the puts then go out
  // back to back and only the last asks for a completion event.
  const int32_t count = VisitPendingRects(
      *damage, p.scale, p.windowWidth, p.windowHeight,
      [&p](const DamageRect& sceneRect, const DamageRect&) { Stage(p, sceneRect); });
  int32_t put = 0;
  VisitPendingRects(*damage, p.scale, p.windowWidth, p.windowHeight,
                    [&p, &put, count](const DamageRect&, const DamageRect& windowRect) {
                      PutRect(p, windowRect, ++put == count);
                    });
  ClearDamage(damage);
}


bool TakeCompletionEvent(const XEvent& event) {
  X11Presenter& p = x11Presenter;
  if (p.completionEvent == 0 || event.type != p.completionEvent) return false;
  const XShmCompletionEvent& done = reinterpret_cast<const XShmCompletionEvent&>(event);
  if (p.imageShared && done.shmseg == p.segment.shmseg) p.completionPending = false;
  return true;
}

void DrawCornerText(const char* text, size_t length) {
  X11Presenter& p = x11Presenter;
  if (!p.fontTried) {
    p.fontTried = true;
    BeginErrorTrap(p.display);
    p.font = XLoadQueryFont(p.display, "fixed");
    EndErrorTrap(p.display);
    if (p.font != nullptr) XSetFont(p.display, p.gc, p.font->fid);
  }
  if (p.font == nullptr) return;
  const int y = p.windowHeight - p.font->descent - 4;
  XDrawImageString(p.display, p.window, p.gc, 4, y, text, static_cast<int>(length));
}
