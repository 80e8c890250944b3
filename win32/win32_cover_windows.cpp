#include "win32/win32_cover_windows.h"

#include "host/cover_rects.h"
#include "win32/win32_dismissal.h"
#include "win32/win32_host_state.h"

namespace {

void ForgetCover(HWND cover) {
  for (HWND& slot : hostState.coverWindows)
    if (slot == cover) slot = nullptr;
}

void RegisterCoverClass() {
  WNDCLASSA coverClass = {};
  coverClass.lpfnWndProc = CoverWindowProc;
  coverClass.hInstance = hostState.instanceHandle;
  coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  coverClass.lpszClassName = kCoverClassName;
  // A second registration fails harmlessly: the class is already there.
  RegisterClassA(&coverClass);
}

}  // namespace

void CreateCoverWindows(HWND saverWindow, int32_t primaryWidth, int32_t primaryHeight) {
  // The first 95 release and NT 4 answer 0 for these metrics: no covers.
  const ScreenRect virtualScreen = {GetSystemMetrics(kVirtualScreenXMetric),
                                    GetSystemMetrics(kVirtualScreenYMetric),
                                    GetSystemMetrics(kVirtualScreenWidthMetric),
                                    GetSystemMetrics(kVirtualScreenHeightMetric)};
  ScreenRect rects[kMaxCoverRects];
  const int count = ComputeCoverRects(virtualScreen, primaryWidth, primaryHeight, rects);
  if (count == 0) return;
  RegisterCoverClass();
  for (int i = 0; i < count; ++i) {
    // Owned by the saver window: no taskbar entries, and they go when it goes.
    // Created hidden and shown without activation, so the saver window keeps
    // the keyboard.
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, kCoverClassName, "", WS_POPUP, rects[i].x,
                                 rects[i].y, rects[i].width, rects[i].height, saverWindow, nullptr,
                                 hostState.instanceHandle, nullptr);
    hostState.coverWindows[i] = cover;
    if (cover) ShowWindow(cover, SW_SHOWNOACTIVATE);
  }
}

void DestroyCoverWindows() {
  for (HWND& slot : hostState.coverWindows) {
    HWND cover = slot;
    slot = nullptr;
    if (cover && IsWindow(cover)) DestroyWindow(cover);
  }
}

LRESULT CALLBACK CoverWindowProc(HWND cover, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCDESTROY:
      ForgetCover(cover);
      break;
    case WM_MOUSEACTIVATE:
      // A click on a cover leaves the focus where it is: with the saver
      // window, or with the password dialog while that is up.
      return MA_NOACTIVATE;
    case WM_CLOSE:
      // A cover is not closed on its own: the request is the saver's.
      if (hostState.saverWindow) PostMessageA(hostState.saverWindow, WM_CLOSE, 0, 0);
      return 0;
  }
  if (hostState.isPreview || hostState.closeAllowed || hostState.inVerification ||
      !hostState.saverWindow)
    return DefWindowProcA(cover, message, wParam, lParam);
  // Switching away is not watched here: the saver window gets the same
  // WM_ACTIVATEAPP itself, and one close request is enough.
  if (message == WM_SETCURSOR) {
    SetCursor(nullptr);
    return 1;
  }
  WatchInput(hostState.saverWindow, message);
  return DefWindowProcA(cover, message, wParam, lParam);
}
