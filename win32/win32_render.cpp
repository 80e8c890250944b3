// The sprite bitmaps, the palette and the back buffer on GDI, and the three
// per-tick drawing operations. The portable twin of the drawing is
// render/compose.cpp; a Windows test compares the two byte for byte.
#include "win32/win32_render.h"

#include <cstdint>

#include "win32/win32_host_state.h"
#include "scene/scene.h"

RenderObjects renderObjects;

namespace {

// Every sprite resource is a 40-byte header, a full 256-entry colour table
// and then the pixel data.
constexpr DWORD kSpritePixelOffset = 40 + 256 * 4;

uint16_t Read16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The start of a bitmap resource of the program's own module and its size;
// null when it is missing.
const BYTE* LockBitmapResource(const char* name, DWORD* size) {
  HRSRC found = FindResourceA(hostState.instanceHandle, name, MAKEINTRESOURCEA(2));
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(hostState.instanceHandle, found);
  if (loaded == nullptr) return nullptr;
  *size = SizeofResource(hostState.instanceHandle, found);
  return static_cast<const BYTE*>(LockResource(loaded));
}

}  // namespace

HBITMAP LoadSpriteBitmap(HDC deviceContext, const char* resourceName) {
  DWORD size = 0;
  const BYTE* r = LockBitmapResource(resourceName, &size);
  // A resource too short to hold the header, the colour table and the pixel
  // data that its header announces would have the platform read past its end.
  if (r == nullptr || size < kSpritePixelOffset) return nullptr;
  const DWORD pixelBytes = r[20] | (r[21] << 8) | (r[22] << 16) | (static_cast<DWORD>(r[23]) << 24);
  if (pixelBytes > size - kSpritePixelOffset) return nullptr;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = Read16(r + 4);
  header.biHeight = Read16(r + 8);
  header.biPlanes = static_cast<WORD>(GetDeviceCaps(deviceContext, PLANES));
  header.biBitCount = static_cast<WORD>(GetDeviceCaps(deviceContext, BITSPIXEL));
  // On a palette display the conversion matches each colour to the palette
  // selected in deviceContext now: the scene palette, realised beforehand.
  return CreateDIBitmap(deviceContext, &header, CBM_INIT, r + kSpritePixelOffset,
                        reinterpret_cast<const BITMAPINFO*>(r), DIB_RGB_COLORS);
}

void CreateScenePalette(HWND window) {
  DWORD size = 0;
  const BYTE* r = LockBitmapResource("NAVA", &size);
  if (r == nullptr || size < 40) return;
  DWORD count = Read16(r + 32);
  if (count == 0) {
    switch (Read16(r + 14)) {
      case 8: count = 256; break;
      case 4: count = 16; break;
      case 1: count = 2; break;
      default: count = 0; break;
    }
  }
  // Never read entries beyond the resource's end.
  if (count > (size - 40) / 4) count = (size - 40) / 4;
  if (count > 256) count = 256;
  HGLOBAL memory =
      GlobalAlloc(GHND, sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* palette = static_cast<LOGPALETTE*>(GlobalLock(memory));
  if (palette == nullptr) return;
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (DWORD i = 0; i < count; ++i) {
    // Colour-table entries are blue, green, red, zero; every entry is copied,
    // duplicates included.
    palette->palPalEntry[i].peRed = r[40 + 4 * i + 2];
    palette->palPalEntry[i].peGreen = r[40 + 4 * i + 1];
    palette->palPalEntry[i].peBlue = r[40 + 4 * i];
    palette->palPalEntry[i].peFlags = 0;
  }
  renderObjects.scenePalette = CreatePalette(palette);
  GlobalUnlock(memory);
  GlobalFree(memory);

  HDC deviceContext = GetDC(window);
  renderObjects.previousPalette = SelectPalette(deviceContext, renderObjects.scenePalette, FALSE);
  RealizePalette(deviceContext);
  ReleaseDC(window, deviceContext);
}

void CreateBackBuffer(HDC deviceContext) {
  HDC memory = CreateCompatibleDC(deviceContext);
  renderObjects.backBuffer =
      CreateCompatibleBitmap(deviceContext, scene.screenWidth, scene.screenHeight);
  HGDIOBJ earlier = SelectObject(memory, renderObjects.backBuffer);
  RECT all = {0, 0, scene.screenWidth, scene.screenHeight};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectObject(memory, earlier);
  DeleteDC(memory);
}

void ReleaseRenderResources(HWND window) {
  HBITMAP* const bitmaps[] = {&renderObjects.figureImage, &renderObjects.figureMask,
                              &renderObjects.flakeStrip, &renderObjects.flakeMaskStrip,
                              &renderObjects.backBuffer};
  for (HBITMAP* bitmap : bitmaps) {
    if (*bitmap != nullptr) DeleteObject(*bitmap);
    *bitmap = nullptr;
  }
  // The scene palette may be deleted only once no device context holds it.
  HDC deviceContext = GetDC(window);
  SelectPalette(deviceContext, renderObjects.previousPalette, FALSE);
  RealizePalette(deviceContext);
  ReleaseDC(window, deviceContext);
  if (renderObjects.scenePalette != nullptr) DeleteObject(renderObjects.scenePalette);
  renderObjects.scenePalette = nullptr;
  renderObjects.previousPalette = nullptr;
}

void ComposeFrame(HWND window) {
  HDC deviceContext = GetDC(window);
  SelectPalette(deviceContext, renderObjects.scenePalette, FALSE);
  RealizePalette(deviceContext);
  HDC d = CreateCompatibleDC(deviceContext);
  HDC a = CreateCompatibleDC(deviceContext);
  HDC b = CreateCompatibleDC(deviceContext);
  HGDIOBJ earlier = SelectObject(d, renderObjects.backBuffer);
  SelectObject(a, renderObjects.flakeMaskStrip);
  SelectObject(b, renderObjects.flakeStrip);

  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  const int32_t half = FarFlakeCount(count);
  // Far flakes: halved in the default stretch mode (BLACKONWHITE), which ANDs
  // the dropped pixels into the kept one, for mask and sprite alike.
  for (int32_t i = 0; i < half; ++i) {
    const Flake& f = scene.flakes[i];
    StretchBlt(d, f.x, f.y, 16, 16, a, kFlakeSize * f.frame, 0, kFlakeSize, kFlakeSize, SRCAND);
    StretchBlt(d, f.x, f.y, 16, 16, b, kFlakeSize * f.frame, 0, kFlakeSize, kFlakeSize, SRCPAINT);
  }

  SelectObject(b, renderObjects.figureMask);
  SelectObject(a, renderObjects.figureImage);
  BitBlt(d, scene.figure.x, scene.figure.y, kFigureWidth, kFigureHeight, b, 0, 0, SRCAND);
  BitBlt(d, scene.figure.x, scene.figure.y, kFigureWidth, kFigureHeight, a, 0, 0, SRCPAINT);

  SelectObject(a, renderObjects.flakeMaskStrip);
  SelectObject(b, renderObjects.flakeStrip);
  for (int32_t i = half; i < count; ++i) {
    const Flake& f = scene.flakes[i];
    BitBlt(d, f.x, f.y, kFlakeSize, kFlakeSize, a, kFlakeSize * f.frame, 0, SRCAND);
    BitBlt(d, f.x, f.y, kFlakeSize, kFlakeSize, b, kFlakeSize * f.frame, 0, SRCPAINT);
  }

  SelectObject(d, earlier);
  DeleteDC(d);
  DeleteDC(a);
  DeleteDC(b);
  ReleaseDC(window, deviceContext);
}

void PresentFrame(HWND window) {
  HDC deviceContext = GetDC(window);
  HDC memory = CreateCompatibleDC(deviceContext);
  HGDIOBJ earlier = SelectObject(memory, renderObjects.backBuffer);
  BitBlt(deviceContext, 0, 0, scene.screenWidth, scene.screenHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, earlier);
  DeleteDC(memory);
  ReleaseDC(window, deviceContext);
}

void EraseFrame(HWND window) {
  HDC deviceContext = GetDC(window);
  HDC memory = CreateCompatibleDC(deviceContext);
  HGDIOBJ earlier = SelectObject(memory, renderObjects.backBuffer);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  // The figure's rectangle from before this tick's move.
  const FigurePos& p = scene.figure.previousFigurePos;
  RECT figure = {p.x, p.y, p.x + kFigureWidth, p.y + kFigureHeight};
  FillRect(memory, &figure, black);
  const uint8_t count = LimitFlakeCount(scene.flakeCount);
  for (int32_t i = 0; i < count; ++i) {
    const Flake& f = scene.flakes[i];
    RECT flake = {f.x, f.y, f.x + kFlakeSize + 1, f.y + kFlakeSize + 1};
    FillRect(memory, &flake, black);
  }
  SelectObject(memory, earlier);
  DeleteDC(memory);
  ReleaseDC(window, deviceContext);
}
