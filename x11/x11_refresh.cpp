#include "x11/x11_refresh.h"

#include <X11/extensions/Xrandr.h>

#include "host/timer_clock.h"
#include "x11/x11_errors.h"

int64_t RefreshPeriodNs(Display* display, Window window) {
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
      !XRRQueryVersion(display, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
    return 0;
  }
  XWindowAttributes a;
  int x = 0, y = 0;
  Window child = None;
  BeginErrorTrap(display);
  const bool found = XGetWindowAttributes(display, window, &a) != 0 &&
                     XTranslateCoordinates(display, window, a.root, a.width / 2, a.height / 2, &x,
                                           &y, &child) != 0;
  if (EndErrorTrap(display) || !found) return 0;

  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, a.root);
  if (resources == nullptr) return 0;
  int64_t period = 0;
  for (int i = 0; i < resources->ncrtc && period == 0; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (crtc == nullptr) continue;
    const bool under = crtc->mode != None && x >= crtc->x && y >= crtc->y &&
                       x - crtc->x < static_cast<int>(crtc->width) &&
                       y - crtc->y < static_cast<int>(crtc->height);
    for (int m = 0; under && m < resources->nmode; ++m) {
      const XRRModeInfo& mode = resources->modes[m];
      if (mode.id != crtc->mode) continue;
      period = ModeRefreshNs(mode.dotClock, mode.hTotal, mode.vTotal,
                            (mode.modeFlags & RR_Interlace) != 0,
                            (mode.modeFlags & RR_DoubleScan) != 0);
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(resources);
  return period;
}
