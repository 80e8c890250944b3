#include "win32/win32_scene_proc.h"

#include "win32/win32_dismissal.h"
#include "win32/win32_render.h"
#include "scene/scene.h"
#include "scene/settings.h"

uint16_t tickTimer = 0;

void SetUpScene(HWND window) {
  HDC deviceContext = GetDC(window);
  // The primary display's size, in preview mode too: the preview shows the
  // top-left corner of the full-screen scene.
  scene.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  scene.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  LoadSaverStrings();
  ReadSettings();
  CreateBackBuffer(deviceContext);
  CreateScenePalette(window);
  renderObjects.figureImage = LoadSpriteBitmap(deviceContext, "NAVA");
  renderObjects.figureMask = LoadSpriteBitmap(deviceContext, "NAVA_M");
  renderObjects.flakeStrip = LoadSpriteBitmap(deviceContext, "ICE");
  renderObjects.flakeMaskStrip = LoadSpriteBitmap(deviceContext, "ICE_M");
  ReleaseDC(window, deviceContext);
}

void TickScene(HWND window) {
  AdvanceScene();
  ComposeFrame(window);
  PresentFrame(window);
  EraseFrame(window);
}

void ReleaseScene(HWND window) {
  // The timer goes first, so that no tick can reach deleted bitmaps; then
  // ReleaseRenderResources deletes the bitmaps, gives the window's device
  // context its earlier palette back and deletes the scene palette.
  if (tickTimer) KillTimer(window, kTickTimerId);
  tickTimer = 0;
  ReleaseRenderResources(window);
}

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetUpScene(window);
      tickTimer = static_cast<uint16_t>(SetTimer(
          window, kTickTimerId, static_cast<UINT>(sceneSettings.tickIntervalMs), nullptr));
      InitScene();
      break;
    case WM_TIMER:
      // Any timer message that gets this far is a tick; the host has already
      // dropped those that come after closing was allowed.
      TickScene(window);
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return 0;
    }
    case WM_DESTROY:
      ReleaseScene(window);
      break;
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}
