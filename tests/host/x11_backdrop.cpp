// A stand-in desktop for the end-to-end runs: one override-redirect window of
// a solid colour over the whole root window, mapped until the program is
// killed. A nested X server's root ignores xsetroot, so this is how every
// monitor gets something that is not black.
//
//   x11_backdrop RRGGBB
//
// Prints "mapped" once the window is on the screen.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: x11_backdrop RRGGBB\n");
    return 2;
  }
  const unsigned long rgb = std::strtoul(argv[1], nullptr, 16);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "x11_backdrop: no display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  XColor colour = {};
  colour.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 0x101);
  colour.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 0x101);
  colour.blue = static_cast<unsigned short>((rgb & 0xFF) * 0x101);
  if (!XAllocColor(display, DefaultColormap(display, screen), &colour)) {
    std::fprintf(stderr, "x11_backdrop: colour not available\n");
    return 1;
  }
  XSetWindowAttributes attributes = {};
  attributes.override_redirect = True;
  attributes.background_pixel = colour.pixel;
  Window window = XCreateWindow(
      display, RootWindow(display, screen), 0, 0, DisplayWidth(display, screen),
      DisplayHeight(display, screen), 0, CopyFromParent, InputOutput, CopyFromParent,
      CWOverrideRedirect | CWBackPixel, &attributes);
  XSelectInput(display, window, ExposureMask);
  XMapWindow(display, window);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.count == 0) break;
  }
  std::printf("mapped\n");
  std::fflush(stdout);
  for (;;) pause();
}
