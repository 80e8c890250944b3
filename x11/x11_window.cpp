#include "x11/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

#include "x11/x11_errors.h"

X11Window x11Window;

namespace {

constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 720;

// Reads a window's attributes; false (quietly) when it does not exist.
bool ReadAttributes(Display* display, Window window, XWindowAttributes* attributes) {
  BeginErrorTrap(display);
  const Status status = XGetWindowAttributes(display, window, attributes);
  const bool failed = EndErrorTrap(display);
  return status != 0 && !failed;
}

int UseGivenWindow(Display* display, Window window) {
  X11Window& w = x11Window;
  if (!ReadAttributes(display, window, &w.attributes)) {
    std::fprintf(stderr, "navanava: there is no window 0x%lx on this display\n",
                 static_cast<unsigned long>(window));
    return kExitWindowGone;
  }
  w.window = window;
  w.own = false;
  // Keep what the window's owner asked for of our connection, add ours. Keys
  // and buttons stay with whoever owns the window (the screen saver).
  BeginErrorTrap(display);
  XSelectInput(display, window, w.attributes.your_event_mask | ExposureMask | StructureNotifyMask);
  if (EndErrorTrap(display)) {
    std::fprintf(stderr, "navanava: there is no window 0x%lx on this display\n",
                 static_cast<unsigned long>(window));
    return kExitWindowGone;
  }
  return kExitDone;
}

int MakeOwnWindow(Display* display, const NativeCommandLine& c) {
  X11Window& w = x11Window;
  const int screen = DefaultScreen(display);
  const unsigned width = c.hasGeometry ? static_cast<unsigned>(c.width) : kDefaultWidth;
  const unsigned height = c.hasGeometry ? static_cast<unsigned>(c.height) : kDefaultHeight;
  int x = 0, y = 0;
  if (c.hasPosition) {
    x = c.xFromRight ? DisplayWidth(display, screen) - static_cast<int>(width) - c.x : c.x;
    y = c.yFromBottom ? DisplayHeight(display, screen) - static_cast<int>(height) - c.y : c.y;
  }
  XSetWindowAttributes set;
  set.background_pixel = BlackPixel(display, screen);
  set.border_pixel = BlackPixel(display, screen);
  set.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask;
  const Window window = XCreateWindow(display, RootWindow(display, screen), x, y, width, height, 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWBorderPixel | CWEventMask, &set);
  XStoreName(display, window, "NavaNava");
  XClassHint hint;
  char resName[] = "navanava", resClass[] = "NavaNava";
  hint.res_name = resName;
  hint.res_class = resClass;
  XSetClassHint(display, window, &hint);
  if (c.hasPosition) {
    XSizeHints size;
    size.flags = USPosition | USSize;
    size.x = x;
    size.y = y;
    size.width = static_cast<int>(width);
    size.height = static_cast<int>(height);
    XSetWMNormalHints(display, window, &size);
  }
  w.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
  w.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &w.wmDeleteWindow, 1);
  XMapWindow(display, window);
  if (!ReadAttributes(display, window, &w.attributes)) return kExitXError;
  w.window = window;
  w.own = true;
  return kExitDone;
}

}  // namespace

Window FindVirtualRoot(Display* display, int screen) {
  const Window root = RootWindow(display, screen);
  const Atom vroot = XInternAtom(display, "__SWM_VROOT", False);
  Window rootReturn, parent, *children = nullptr;
  unsigned count = 0;
  Window found = root;
  BeginErrorTrap(display);
  if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && found == root; ++i) {
      Atom type = None;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, XA_WINDOW, &type, &format,
                             &items, &after, &data) == Success &&
          type == XA_WINDOW && format == 32 && items == 1 && data != nullptr) {
        found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
      }
      if (data != nullptr) XFree(data);
    }
    if (children != nullptr) XFree(children);
  }
  // A child that vanished while we looked gives an error: keep the root.
  if (EndErrorTrap(display)) found = root;
  return found;
}

int OpenSaverWindow(Display* display, const NativeCommandLine& c) {
  x11Window.display = display;
  if (c.hasWindowId) return UseGivenWindow(display, static_cast<Window>(c.windowId));
  if (c.root) {
    uint32_t id = 0;
    const char* given = std::getenv("XSCREENSAVER_WINDOW");
    if (given != nullptr && ParseWindowId(given, &id)) {
      return UseGivenWindow(display, static_cast<Window>(id));
    }
    return UseGivenWindow(display, FindVirtualRoot(display, DefaultScreen(display)));
  }
  return MakeOwnWindow(display, c);
}
