#pragma once
// The full-screen saver's covers: black, topmost windows, cursor hidden, over
// every part of the virtual screen outside the primary display, where the
// saver window itself is. Input on them goes the saver window's way.
#include <windows.h>

#include <cstdint>

constexpr char kCoverClassName[] = "NavaNavaSaverCover";

// The virtual-screen metrics; the platform's headers name them only for
// later systems than the ones this program is built for.
constexpr int kVirtualScreenXMetric = 76;       // SM_XVIRTUALSCREEN
constexpr int kVirtualScreenYMetric = 77;       // SM_YVIRTUALSCREEN
constexpr int kVirtualScreenWidthMetric = 78;   // SM_CXVIRTUALSCREEN
constexpr int kVirtualScreenHeightMetric = 79;  // SM_CYVIRTUALSCREEN

// Makes the covers for a saver window of the primary display's size, owned by
// it, into hostState.coverWindows. Nothing where the platform knows a single
// monitor only or the virtual screen is the primary display.
void CreateCoverWindows(HWND saverWindow, int32_t primaryWidth, int32_t primaryHeight);
// Destroys whatever covers there are; the saver window's destruction and the
// fault guard call it.
void DestroyCoverWindows();
LRESULT CALLBACK CoverWindowProc(HWND cover, UINT message, WPARAM wParam, LPARAM lParam);
