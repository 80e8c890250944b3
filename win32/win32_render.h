#pragma once
// The sprite bitmaps, the palette and the back buffer on GDI, and the three
// per-tick drawing operations. All objects are process-wide: one saver window.
#include <windows.h>

struct RenderObjects {
  HBITMAP figureImage;     // "NAVA", 256 x 148
  HBITMAP figureMask;      // "NAVA_M"
  HBITMAP flakeStrip;      // "ICE", four 32 x 32 cells side by side
  HBITMAP flakeMaskStrip;  // "ICE_M"
  HBITMAP backBuffer;      // screenWidth x screenHeight, display format
  HPALETTE scenePalette;   // from the figure's colour table
  HPALETTE previousPalette;  // what the window's DC held before; not owned
};

extern RenderObjects renderObjects;

// Set-up, in the order the scene's creation calls them.
void CreateBackBuffer(HDC deviceContext);
void CreateScenePalette(HWND window);
HBITMAP LoadSpriteBitmap(HDC deviceContext, const char* resourceName);
// Deletes the bitmaps, gives the window's DC its earlier palette back and
// deletes the scene palette.
void ReleaseRenderResources(HWND window);

// One tick, after AdvanceScene: compose into the back buffer, copy it whole to
// the window, blacken the sprites' rectangles in the back buffer.
void ComposeFrame(HWND window);
void PresentFrame(HWND window);
void EraseFrame(HWND window);
