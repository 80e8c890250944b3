#include "tests/host/recording_render.h"

#include "win32/win32_render.h"
#include "scene/scene.h"

RenderObjects renderObjects = {};
std::vector<std::string> renderLog;
bool quitPostedBeforeRelease = false;

namespace {

HBITMAP FakeBitmap(int n) { return reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(0x1000 + n)); }

}  // namespace

void CreateBackBuffer(HDC deviceContext) {
  renderLog.push_back(deviceContext ? "CreateBackBuffer" : "CreateBackBuffer(no DC)");
  renderObjects.backBuffer = FakeBitmap(0);
}

void CreateScenePalette(HWND) { renderLog.push_back("CreateScenePalette"); }

HBITMAP LoadSpriteBitmap(HDC, const char* resourceName) {
  renderLog.push_back(std::string("Load ") + resourceName);
  return FakeBitmap(static_cast<int>(renderLog.size()));
}

void ReleaseRenderResources(HWND) {
  MSG quit;
  quitPostedBeforeRelease = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
  renderLog.push_back("ReleaseRenderResources");
  renderObjects = {};
}

void ComposeFrame(HWND) {
  renderLog.push_back("Compose x=" + std::to_string(scene.figure.x));
}
void PresentFrame(HWND) { renderLog.push_back("Present"); }
void EraseFrame(HWND) { renderLog.push_back("Erase"); }
