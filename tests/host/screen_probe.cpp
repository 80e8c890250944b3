// What Wine tells a program about the screen, for the end-to-end scripts to
// check their set-up before they judge the saver:
//
//   screen W H virtual X Y W H monitors N dpi D
#include <windows.h>

#include <cstdio>

int main() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  // 76..80: the virtual screen's left, top, width and height, and the number
  // of monitors.
  std::printf("screen %d %d virtual %d %d %d %d monitors %d dpi %d\n",
              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(76),
              GetSystemMetrics(77), GetSystemMetrics(78), GetSystemMetrics(79), GetSystemMetrics(80),
              dpi);
  return 0;
}
