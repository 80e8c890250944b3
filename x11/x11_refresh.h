#pragma once
// The refresh period of the display under a window, from RandR: the mode of
// the CRTC that shows the window's centre. 0 where the server has no RandR
// 1.3, the centre lies on no CRTC, or the mode gives no rate (Xvfb's modes
// carry no timings); the caller then takes 60 Hz.
#include <X11/Xlib.h>

#include <cstdint>

int64_t RefreshPeriodNs(Display* display, Window window);
