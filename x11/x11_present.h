#pragma once
// Presenting frames in an X window: the back buffer, the window's image (in
// shared memory when the server allows it), the colours, and sending only
// the rectangles that changed.
//
// On a true-colour window whose pixels are 32-bit 0x00RRGGBB in the
// client's byte order and at pixel scale 1, the scene is composed straight
// into the image. Otherwise it is composed into a back buffer of its own (in
// 0x00RRGGBB pixels, or in scene palette indices for a colormap window) and
// each sent rectangle is scaled and converted into the image first.
//
// A shared image is read by the server after XShmPutImage returns: until
// its completion event arrives (completionPending), neither the image nor a
// back buffer that is the image may change.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <cstdint>

#include "render/frame_damage.h"
#include "render/frame_step.h"
#include "render/pixel_buffer.h"
#include "render/pixel_convert.h"

struct X11Presenter {
  Display* display;
  Window window;
  Visual* visual;
  int depth;
  Colormap colormap;
  GC gc;
  bool indexed;            // composes scene palette indices (a colormap visual)
  bool plainLayout;        // the image's pixels are 0x00RRGGBB in the client's order
  bool direct;             // the back buffer is the image itself (plain, scale 1)
  bool sharedMemory;       // the extension is usable; false after a failed attach
  int completionEvent;     // type of XShmCompletionEvent
  bool completionPending;  // the server may still read the shared image
  bool imageShared;        // the current image lives in shared memory
  XShmSegmentInfo segment;
  XImage* image;
  ImageLayout layout;
  TrueColourTables tables;
  IndexedPixelTable pixels;
  unsigned long blackPixel, whitePixel;
  int32_t windowWidth, windowHeight;
  int32_t scale, sceneWidth, sceneHeight;
  void* backStore;         // our own back buffer when not direct
  PixelBuffer32 back32;    // the back buffer of a true-colour window
  PixelBuffer8 back8;      // the back buffer of a colormap window
  XFontStruct* font;       // for the frame rate, when shown
  bool fontTried;
  uint64_t pixelsSent;     // window pixels sent so far
};

extern X11Presenter x11Presenter;

enum class PresenterStatus {
  kReady,
  kUnsupportedVisual,  // a pixel layout that is not drawn here
  kNoMemory,
};

// Reads the window's visual, depth and colormap from `attributes`, allocates
// the scene palette's colours in that colormap when it is a colormap visual,
// and sees whether shared memory can be tried (`allowSharedMemory` false
// keeps to XPutImage). Makes no image yet.
PresenterStatus SetUpPresenter(Display* display, Window window,
                               const XWindowAttributes& attributes, bool allowSharedMemory);
// Makes the image and the back buffer for a window of this size (releasing
// earlier ones), both black.
// `requestedScale` 0 chooses the pixel scale by the size.
PresenterStatus SizePresenter(int32_t windowWidth, int32_t windowHeight, int32_t requestedScale);
// Releases the image, the segment, the back buffer, the GC and the font.
void ReleasePresenter();

// Sends the pending rectangles of the back buffer (everything when
// damage->whole), then clears them. Returns at once; with shared memory
// completionPending is set.
void PresentDamage(FrameDamage* damage);
// True, and completionPending cleared, when `event` is the completion of the
// current segment's last put (one of an earlier segment is also taken, and
// changes nothing).
bool TakeCompletionEvent(const XEvent& event);

// Draws `text` in the window's lower left corner, white on black, above
// whatever was sent; nothing when no font could be loaded.
void DrawCornerText(const char* text, size_t length);
