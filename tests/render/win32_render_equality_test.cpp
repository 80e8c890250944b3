// The GDI drawing against the portable one, on a real window of the display
// that the test runs on (true colour, or a 256-colour palette display): the
// sprites as converted by the platform, then the back buffer after every
// compose and every erase of a few hundred ticks, byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "win32/win32_host_state.h"
#include "render/compose.h"
#include "render/sprite_decode.h"
#include "win32/win32_render.h"
#include "scene/scene.h"
#include "scene/settings.h"

namespace {

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// The saver's window class gives each window a device context of its own;
// so does this one, so a palette selected once stays selected.
HWND MakeWindow(int width, int height) {
  static bool registered = false;
  hostState.instanceHandle = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = hostState.instanceHandle;
    windowClass.lpszClassName = "NavaNavaRenderTest";
    RegisterClassA(&windowClass);
    registered = true;
  }
  return CreateWindowExA(0, "NavaNavaRenderTest", "render test", WS_POPUP | WS_VISIBLE, 0, 0,
                         width, height, nullptr, nullptr, hostState.instanceHandle, nullptr);
}

int DisplayBits() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits;
}

// 8-bit or 32-bit top-down DIB description with room for a colour table.
struct DibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD table[256];
};

DibInfo DescribeDib(int32_t width, int32_t height, int bits) {
  DibInfo info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bits);
  info.header.biCompression = BI_RGB;
  return info;
}

// A bitmap's pixels as the portable path holds them: rows without padding,
// 0x00RRGGBB or palette indices. The colour table that 8-bit pixels refer to
// comes back in `table` when given.
template <typename Pixel>
std::vector<Pixel> ReadBitmap(HBITMAP bitmap, int32_t width, int32_t height,
                              std::vector<uint32_t>* table = nullptr) {
  const int bits = 8 * static_cast<int>(sizeof(Pixel));
  DibInfo info = DescribeDib(width, height, bits);
  const int32_t rowBytes = ((width * bits + 31) / 32) * 4;
  std::vector<uint8_t> raw(static_cast<size_t>(rowBytes) * height);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, height, raw.data(),
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(rows, height);
  std::vector<Pixel> pixels(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(&pixels[static_cast<size_t>(y) * width], &raw[static_cast<size_t>(y) * rowBytes],
                sizeof(Pixel) * width);
  }
  if (table != nullptr) {
    table->assign(256, 0);
    for (int i = 0; i < 256; ++i) {
      (*table)[i] = (info.table[i].rgbRed << 16) | (info.table[i].rgbGreen << 8) | info.table[i].rgbBlue;
    }
  }
  return pixels;
}

// "" when equal, else where and how the first pixel differs.
template <typename Pixel>
std::string FirstDifference(const std::vector<Pixel>& platform, const std::vector<Pixel>& portable,
                            int32_t width) {
  for (size_t i = 0; i < platform.size() && i < portable.size(); ++i) {
    if (platform[i] == portable[i]) continue;
    char text[128];
    std::snprintf(text, sizeof text, "first difference at (%d, %d): GDI 0x%06X, portable 0x%06X",
                  static_cast<int>(i % width), static_cast<int>(i / width),
                  static_cast<unsigned>(platform[i]), static_cast<unsigned>(portable[i]));
    return text;
  }
  if (platform.size() != portable.size()) return "sizes differ";
  return "";
}

const uint8_t* ResourceBytes(const char* name, size_t* size) {
  HRSRC found = FindResourceA(hostState.instanceHandle, name, MAKEINTRESOURCEA(2));
  if (found == nullptr) return nullptr;
  *size = SizeofResource(hostState.instanceHandle, found);
  return static_cast<const uint8_t*>(LockResource(LoadResource(hostState.instanceHandle, found)));
}

constexpr int32_t kWindowWidth = 200, kWindowHeight = 150;

const char* const kSpriteNames[4] = {"NAVA", "NAVA_M", "ICE", "ICE_M"};

// The saver's set-up and release, as the scene's window procedure runs them,
// on a window of the test's own.
struct GdiScene {
  HWND window = nullptr;

  GdiScene(int32_t screenWidth, int32_t screenHeight, uint8_t storedCount, uint32_t seed) {
    window = MakeWindow(kWindowWidth, kWindowHeight);
    scene.screenWidth = screenWidth;
    scene.screenHeight = screenHeight;
    sceneSettings.flakeCount = storedCount;
    HDC deviceContext = GetDC(window);
    CreateBackBuffer(deviceContext);
    CreateScenePalette(window);
    renderObjects.figureImage = LoadSpriteBitmap(deviceContext, "NAVA");
    renderObjects.figureMask = LoadSpriteBitmap(deviceContext, "NAVA_M");
    renderObjects.flakeStrip = LoadSpriteBitmap(deviceContext, "ICE");
    renderObjects.flakeMaskStrip = LoadSpriteBitmap(deviceContext, "ICE_M");
    ReleaseDC(window, deviceContext);
    InitSceneWithSeed(seed);
  }
  ~GdiScene() {
    ReleaseRenderResources(window);
    DestroyWindow(window);
  }
  HBITMAP Sprite(int k) const {
    const HBITMAP all[4] = {renderObjects.figureImage, renderObjects.figureMask,
                            renderObjects.flakeStrip, renderObjects.flakeMaskStrip};
    return all[k];
  }
};

// The same sprites converted without the platform: decoded from the
// program's own resources, then turned into 32-bit pixels, or on a palette
// display into the index of the nearest colour of the table that the
// display's bitmaps use.
template <typename Pixel>
struct PortableSprites {
  std::vector<Pixel> pixels[4];
  SpriteSet<Pixel> set;

  explicit PortableSprites(const std::vector<uint32_t>& deviceTable) {
    ScenePaletteEntries device;
    device.count = 256;
    for (int i = 0; i < 256; ++i) device.colours[i] = deviceTable.empty() ? 0 : deviceTable[i];
    PixelBuffer<Pixel> buffers[4];
    for (int k = 0; k < 4; ++k) {
      size_t size = 0;
      const uint8_t* data = ResourceBytes(kSpriteNames[k], &size);
      DecodedSprite sprite;
      EXPECT_TRUE(data != nullptr && DecodeSpriteResource(data, size, &sprite)) << kSpriteNames[k];
      pixels[k].assign(static_cast<size_t>(sprite.width) * sprite.height, 0);
      if (sizeof(Pixel) == 4) {
        ConvertSpriteToRgb32(sprite, reinterpret_cast<uint32_t*>(pixels[k].data()), sprite.width);
      } else {
        ConvertSpriteToPaletteIndices(sprite, device, reinterpret_cast<uint8_t*>(pixels[k].data()),
                                      sprite.width);
      }
      buffers[k] = PixelBuffer<Pixel>{pixels[k].data(), sprite.width, sprite.height, sprite.width};
    }
    set = SpriteSet<Pixel>{buffers[0], buffers[1], buffers[2], buffers[3]};
  }
};

// The colour table that 8-bit bitmaps of this display refer to (empty on a
// true-colour display).
std::vector<uint32_t> DeviceTable(const GdiScene& gdi) {
  std::vector<uint32_t> table;
  if (DisplayBits() == 8) ReadBitmap<uint8_t>(gdi.Sprite(0), 256, 148, &table);
  return table;
}

template <typename Pixel>
void CheckSpritesMatch() {
  GdiScene gdi(320, 240, 0, 1);
  PortableSprites<Pixel> portable(DeviceTable(gdi));
  for (int k = 0; k < 4; ++k) {
    const PixelBuffer<Pixel>& b = k == 0 ? portable.set.figureImage : k == 1 ? portable.set.figureMask
                                : k == 2 ? portable.set.flakeStrip : portable.set.flakeMaskStrip;
    ASSERT_NE(gdi.Sprite(k), nullptr) << kSpriteNames[k];
    std::vector<Pixel> platform = ReadBitmap<Pixel>(gdi.Sprite(k), b.width, b.height);
    EXPECT_EQ(FirstDifference(platform, portable.pixels[k], b.width), "") << kSpriteNames[k];
    if (k == 1 || k == 3) {
      // Masks hold only black and white: all bits clear or all set.
      for (Pixel p : platform) ASSERT_TRUE(p == 0 || p == static_cast<Pixel>(0x00FFFFFF)) << kSpriteNames[k] << " " << +p;
    }
  }
}

TEST(Sprites, PlatformAndPortableConversionAgreeOnEveryPixel) {
  if (DisplayBits() == 8) {
    CheckSpritesMatch<uint8_t>();
  } else {
    CheckSpritesMatch<uint32_t>();
  }
}

// The figure keeps its own colours on either display: each pixel of the
// converted figure, read back through the colour table of the display's
// bitmaps (or as true colour), is exactly its entry of the figure's table.
// On a palette display that needs every figure colour to be one of the
// colours the display's own bitmaps can hold.
TEST(Sprites, FigureShowsExactlyItsOwnColours) {
  GdiScene gdi(320, 240, 0, 1);
  size_t size = 0;
  const uint8_t* data = ResourceBytes("NAVA", &size);
  DecodedSprite figure;
  ASSERT_TRUE(data != nullptr && DecodeSpriteResource(data, size, &figure));
  ASSERT_NE(gdi.Sprite(0), nullptr);
  std::vector<uint32_t> shown(figure.indices.size());
  if (DisplayBits() == 8) {
    std::vector<uint32_t> deviceTable;
    std::vector<uint8_t> indices = ReadBitmap<uint8_t>(gdi.Sprite(0), 256, 148, &deviceTable);
    for (size_t p = 0; p < indices.size(); ++p) shown[p] = deviceTable[indices[p]];
  } else {
    shown = ReadBitmap<uint32_t>(gdi.Sprite(0), 256, 148);
  }
  int opaque = 0;
  for (size_t p = 0; p < shown.size(); ++p) {
    const uint32_t own = figure.colours[figure.indices[p]];
    ASSERT_EQ(shown[p] & 0xFFFFFFu, own) << "pixel (" << p % 256 << ", " << p / 256 << ") entry "
                                         << int(figure.indices[p]);
    opaque += figure.indices[p] != 0;
  }
  EXPECT_GT(opaque, 10000);
}

// A resource whose header announces more pixel data than it holds gives no
// bitmap instead of a read past its end; a well-formed one of the same
// pixels converts.
TEST(Sprites, ResourceShorterThanItsPixelDataGivesNoBitmap) {
  HWND window = MakeWindow(64, 64);
  HDC deviceContext = GetDC(window);
  HBITMAP whole = LoadSpriteBitmap(deviceContext, "WHOLE");
  HBITMAP shortened = LoadSpriteBitmap(deviceContext, "SHORT");
  HBITMAP missing = LoadSpriteBitmap(deviceContext, "NO_SUCH_SPRITE");
  ReleaseDC(window, deviceContext);
  ASSERT_NE(whole, nullptr);
  BITMAP info = {};
  GetObjectA(whole, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 4);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_EQ(shortened, nullptr);
  EXPECT_EQ(missing, nullptr);
  DeleteObject(whole);
  DestroyWindow(window);
}

struct TickRun {
  int32_t width, height;
  uint8_t storedCount;
  uint32_t seed;
  int ticks;
  int checkedTicks;  // the last ones are compared each tick, earlier ones every 25th
  int pinToSides;    // 1: even flakes sway around the left edge, odd around the
                     // right one; 2: the other way round; 0: as placed
};

// The window's client area read back after a present: the top-left corner of
// the frame.
template <typename Pixel>
std::vector<Pixel> ReadWindow(HWND window, int32_t width, int32_t height) {
  HDC deviceContext = GetDC(window);
  HDC memory = CreateCompatibleDC(deviceContext);
  HBITMAP copy = CreateCompatibleBitmap(deviceContext, width, height);
  HGDIOBJ earlier = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, deviceContext, 0, 0, SRCCOPY);
  SelectObject(memory, earlier);
  DeleteDC(memory);
  ReleaseDC(window, deviceContext);
  std::vector<Pixel> pixels = ReadBitmap<Pixel>(copy, width, height);
  DeleteObject(copy);
  return pixels;
}

// Which edges of the buffer the flakes' drawn rectangles straddled.
struct EdgeCoverage {
  int farEdges[4] = {}, nearEdges[4] = {};  // left, top, right, bottom
  void Note(const Scene& s) {
    const int32_t half = FarFlakeCount(s.flakeCount);
    for (int32_t i = 0; i < s.flakeCount; ++i) {
      const Flake& f = s.flakes[i];
      const int32_t size = i < half ? kFarFlakeSize : kFlakeSize;
      int* n = i < half ? farEdges : nearEdges;
      const bool rows = f.y + size > 0 && f.y < s.screenHeight;
      const bool columns = f.x + size > 0 && f.x < s.screenWidth;
      n[0] += rows && f.x < 0 && f.x + size > 0;
      n[1] += columns && f.y < 0 && f.y + size > 0;
      n[2] += rows && f.x < s.screenWidth && f.x + size > s.screenWidth;
      n[3] += columns && f.y < s.screenHeight && f.y + size > s.screenHeight;
    }
  }
};

template <typename Pixel>
void CheckRun(const TickRun& run, EdgeCoverage* coverage) {
  GdiScene gdi(run.width, run.height, run.storedCount, run.seed);
  if (run.pinToSides != 0) {
    for (int32_t i = 0; i < scene.flakeCount; ++i) {
      const bool left = (i % 2 == 0) == (run.pinToSides == 1);
      scene.flakes[i].baseX = left ? 0 : run.width - 33;
    }
  }
  PortableSprites<Pixel> sprites(DeviceTable(gdi));
  std::vector<Pixel> store(static_cast<size_t>(run.width) * run.height, 0);
  PixelBuffer<Pixel> back{store.data(), run.width, run.height, run.width};
  ASSERT_EQ(FirstDifference(ReadBitmap<Pixel>(renderObjects.backBuffer, run.width, run.height), store, run.width), "")
      << "the back buffer is black after creation";
  for (int tick = 1; tick <= run.ticks; ++tick) {
    AdvanceScene();
    coverage->Note(scene);
    const bool check = tick > run.ticks - run.checkedTicks || tick % 25 == 0;
    ComposeFrame(gdi.window);
    ComposeFrameInto(back, sprites.set, scene);
    if (check) ASSERT_EQ(FirstDifference(ReadBitmap<Pixel>(renderObjects.backBuffer, run.width, run.height), store, run.width), "")
        << run.width << "x" << run.height << ", " << +run.storedCount << " flakes, seed " << run.seed
        << ": tick " << tick << " after compose";
    PresentFrame(gdi.window);
    if (check && tick % 50 == 0) {
      // The window is smaller than the frame: it shows the top-left corner.
      std::vector<Pixel> shown = ReadWindow<Pixel>(gdi.window, kWindowWidth, kWindowHeight);
      std::vector<Pixel> corner;
      for (int32_t y = 0; y < kWindowHeight; ++y) {
        for (int32_t x = 0; x < kWindowWidth; ++x) {
          corner.push_back(x < run.width && y < run.height ? store[static_cast<size_t>(y) * run.width + x] : Pixel(0));
        }
      }
      ASSERT_EQ(FirstDifference(shown, corner, kWindowWidth), "") << "tick " << tick << " presented";
    }
    EraseFrame(gdi.window);
    EraseFrameIn(back, scene);
    if (check) ASSERT_EQ(FirstDifference(ReadBitmap<Pixel>(renderObjects.backBuffer, run.width, run.height), store, run.width), "")
        << run.width << "x" << run.height << ", " << +run.storedCount << " flakes, seed " << run.seed
        << ": tick " << tick << " after erase";
  }
}

TEST(Frames, ComposeAndEraseGiveThePortableBytesTickByTick) {
  // Three screen sizes, one of them odd-sized (padded rows) and too short for
  // the figure's jump; the flake counts that change the depth split, and a
  // stored count above the table's capacity. With 100 flakes the near ones
  // start more than 6000 pixels above the screen, so those runs go on until
  // they have come down.
  const TickRun runs[] = {
      {333, 211, 0, 11, 250, 250, 0},    {333, 211, 1, 12, 250, 250, 0},
      {333, 211, 2, 13, 250, 250, 0},    {333, 211, 3, 14, 250, 250, 1},
      {333, 211, 100, 15, 1700, 250, 2}, {333, 211, 255, 16, 100, 100, 0},
      {640, 480, 0, 21, 100, 100, 0},    {640, 480, 1, 22, 100, 100, 0},
      {640, 480, 2, 23, 100, 100, 0},    {640, 480, 3, 24, 150, 150, 2},
      {640, 480, 100, 25, 1700, 150, 1},
      // A full screen: between ticks 662 and 679 near flakes cross the
      // one-pixel strip of the walking figure that its own erase leaves, and
      // only the flakes' 33-pixel erase takes that strip's pixels away.
      {1024, 768, 100, 31, 700, 50, 0},
  };
  EdgeCoverage coverage;
  for (const TickRun& run : runs) {
    if (DisplayBits() == 8) {
      CheckRun<uint8_t>(run, &coverage);
    } else {
      CheckRun<uint32_t>(run, &coverage);
    }
    if (HasFatalFailure()) return;
  }
  // The runs must have put flakes of both groups across every edge.
  for (int e = 0; e < 4; ++e) {
    EXPECT_GT(coverage.farEdges[e], 0) << "far flakes never straddled edge " << e;
    EXPECT_GT(coverage.nearEdges[e], 0) << "near flakes never straddled edge " << e;
  }
}

// On a palette display, realising the scene palette puts every colour of the
// figure's table into the system palette, so the screen can show them.
TEST(Palette, RealisedScenePaletteReachesTheSystemPalette) {
  GdiScene gdi(64, 64, 0, 1);
  HDC deviceContext = GetDC(gdi.window);
  const bool palette = (GetDeviceCaps(deviceContext, RASTERCAPS) & RC_PALETTE) != 0;
  EXPECT_EQ(palette, DisplayBits() == 8);
  PALETTEENTRY system[256] = {};
  const UINT got = GetSystemPaletteEntries(deviceContext, 0, 256, system);
  ReleaseDC(gdi.window, deviceContext);
  if (!palette) return;
  ASSERT_EQ(got, 256u);
  size_t size = 0;
  const uint8_t* data = ResourceBytes("NAVA", &size);
  ScenePaletteEntries scenePalette;
  BuildScenePalette(data, size, &scenePalette);
  ASSERT_EQ(scenePalette.count, 256u);
  for (uint32_t i = 0; i < scenePalette.count; ++i) {
    const uint32_t c = scenePalette.colours[i];
    bool found = false;
    for (const PALETTEENTRY& e : system) {
      found |= ((e.peRed << 16) | (e.peGreen << 8) | e.peBlue) == c;
    }
    EXPECT_TRUE(found) << "scene palette entry " << i << " 0x" << std::hex << c;
  }
}

// Records, at the moment the scene palette is deleted, whether the window's
// device context still held it: the program's calls to DeleteObject go
// through its import table, which the test points here for a while.
struct DeleteWatch {
  HPALETTE palette = nullptr;
  HDC deviceContext = nullptr;
  bool deleted = false;
  bool deletedWhileSelected = false;
};
DeleteWatch deleteWatch;
typedef BOOL(WINAPI* DeleteObjectProc)(HGDIOBJ);
DeleteObjectProc platformDeleteObject = nullptr;

BOOL WINAPI WatchingDeleteObject(HGDIOBJ object) {
  if (object != nullptr && object == deleteWatch.palette) {
    deleteWatch.deleted = true;
    deleteWatch.deletedWhileSelected = GetCurrentObject(deleteWatch.deviceContext, OBJ_PAL) == object;
  }
  return platformDeleteObject(object);
}

// Replaces the import-table entry of the program that holds `current` with
// `replacement`; false when there is none.
bool ReplaceImport(void* current, void* replacement) {
  BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (const IMAGE_IMPORT_DESCRIPTOR* d =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       d->Name != 0; ++d) {
    for (IMAGE_THUNK_DATA* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
         t->u1.Function != 0; ++t) {
      if (reinterpret_cast<void*>(t->u1.Function) != current) continue;
      DWORD protection = 0;
      VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &protection);
      t->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
      VirtualProtect(&t->u1.Function, sizeof t->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

TEST(Palette, ReleaseSelectsTheEarlierPaletteBackThenDeletesTheScenePalette) {
  HWND window = MakeWindow(64, 64);
  HDC deviceContext = GetDC(window);
  // A palette of the test's own in the window's device context beforehand.
  struct { WORD version, count; PALETTEENTRY entries[2]; } own = {0x300, 2, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  HPALETTE earlier = CreatePalette(reinterpret_cast<LOGPALETTE*>(&own));
  SelectPalette(deviceContext, earlier, FALSE);
  scene.screenWidth = 64;
  scene.screenHeight = 64;
  CreateBackBuffer(deviceContext);
  CreateScenePalette(window);
  HPALETTE scenePalette = renderObjects.scenePalette;
  ASSERT_NE(scenePalette, nullptr);
  EXPECT_EQ(GetCurrentObject(deviceContext, OBJ_PAL), scenePalette);
  EXPECT_EQ(renderObjects.previousPalette, earlier);
  EXPECT_EQ(GetObjectType(scenePalette), static_cast<DWORD>(OBJ_PAL));
  platformDeleteObject = reinterpret_cast<DeleteObjectProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "DeleteObject")));
  deleteWatch = DeleteWatch{scenePalette, deviceContext, false, false};
  ASSERT_TRUE(ReplaceImport(reinterpret_cast<void*>(platformDeleteObject),
                            reinterpret_cast<void*>(&WatchingDeleteObject)));
  ReleaseRenderResources(window);
  ReplaceImport(reinterpret_cast<void*>(&WatchingDeleteObject), reinterpret_cast<void*>(platformDeleteObject));
  EXPECT_TRUE(deleteWatch.deleted);
  EXPECT_FALSE(deleteWatch.deletedWhileSelected) << "the scene palette was deleted while selected";
  EXPECT_EQ(GetCurrentObject(deviceContext, OBJ_PAL), earlier);
  EXPECT_EQ(GetObjectType(scenePalette), 0u) << "the scene palette is deleted";
  EXPECT_EQ(GetObjectType(earlier), static_cast<DWORD>(OBJ_PAL)) << "the earlier palette is not";
  SelectPalette(deviceContext, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  ReleaseDC(window, deviceContext);
  DeleteObject(earlier);
  DestroyWindow(window);
}

}  // namespace
