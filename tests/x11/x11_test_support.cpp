#include "tests/x11/x11_test_support.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "tools/png_io.h"
#include "tools/render_frames.h"

extern char** environ;

namespace {

int MaskBits(unsigned long mask) {
  int n = 0;
  for (; mask != 0; mask >>= 1) n += static_cast<int>(mask & 1);
  return n;
}

int MaskShift(unsigned long mask) {
  if (mask == 0) return 0;
  int s = 0;
  while (((mask >> s) & 1) == 0) ++s;
  return s;
}

std::string TempDir() {
  char pattern[] = "/tmp/navanava-x11-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "/tmp";
}

struct FrameSink {
  std::vector<uint32_t>* out;
};

bool TakeFrame(const FramePicture& picture, int32_t, void* context) {
  std::vector<uint32_t>* out = static_cast<FrameSink*>(context)->out;
  if (!picture.rgb.empty()) {
    *out = picture.rgb;
  } else {
    out->resize(picture.indices.size());
    for (size_t i = 0; i < picture.indices.size(); ++i) {
      const uint8_t index = picture.indices[i];
      (*out)[i] = index < picture.palette.size() ? picture.palette[index] : 0;
    }
  }
  return true;
}

// The window's pixels as 0x00RRGGBB at the visual's precision, and that
// precision per channel.
bool ReadWindowColours(Display* display, Window window, int32_t width, int32_t height,
                       std::vector<uint32_t>* colours, int bits[3]) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, window, &a)) return false;
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  colours->assign(static_cast<size_t>(width) * height, 0);
  const Visual* v = a.visual;
  if (v->c_class == TrueColor) {
    const unsigned long masks[3] = {v->red_mask, v->green_mask, v->blue_mask};
    for (int c = 0; c < 3; ++c) bits[c] = MaskBits(masks[c]);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
          const uint32_t field = static_cast<uint32_t>((p & masks[c]) >> MaskShift(masks[c]));
          // The field's bits as the top bits of an 8-bit channel.
          const uint32_t v8 = bits[c] >= 8 ? field >> (bits[c] - 8) : field << (8 - bits[c]);
          rgb = (rgb << 8) | (v8 & 0xFF);
        }
        (*colours)[static_cast<size_t>(y) * width + x] = rgb;
      }
    }
  } else {
    bits[0] = bits[1] = bits[2] = v->bits_per_rgb < 8 ? v->bits_per_rgb : 8;
    std::map<unsigned long, uint32_t> known;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        auto it = known.find(p);
        if (it == known.end()) {
          XColor c;
          c.pixel = p;
          XQueryColor(display, a.colormap, &c);
          const uint32_t rgb = (static_cast<uint32_t>(c.red >> 8) << 16) |
                               (static_cast<uint32_t>(c.green >> 8) << 8) | (c.blue >> 8);
          it = known.emplace(p, rgb).first;
        }
        (*colours)[static_cast<size_t>(y) * width + x] = it->second;
      }
    }
  }
  XDestroyImage(image);
  return true;
}

uint32_t AtPrecision(uint32_t rgb, const int bits[3]) {
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    const uint32_t v = (rgb >> (16 - 8 * c)) & 0xFF;
    const int keep = bits[c] >= 8 ? 8 : bits[c];
    const uint32_t mask = keep <= 0 ? 0 : (0xFFu << (8 - keep)) & 0xFF;
    out = (out << 8) | (v & mask);
  }
  return out;
}

XErrorHandler xlibErrorHandler = nullptr;
int vanishedWindowErrors = 0;

int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    ++vanishedWindowErrors;
    return 0;
  }
  return xlibErrorHandler != nullptr ? xlibErrorHandler(display, error) : 0;
}

}  // namespace

void TolerateVanishingWindows() {
  const XErrorHandler previous = XSetErrorHandler(IgnoreVanishedWindows);
  if (previous != IgnoreVanishedWindows) xlibErrorHandler = previous;
}

int VanishedWindowErrors() { return vanishedWindowErrors; }

std::string ProgramPath() {
  const char* p = std::getenv("NAVANAVA_PROGRAM");
  return p ? p : "navanava";
}

Child StartProgram(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  static const std::string configHome = TempDir();
  Child child;
  child.outputPath = TempDir() + "/output.txt";
  std::vector<std::string> environment;
  // Entries of `env` replace inherited ones of the same name.
  auto replaced = [&env](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    if (name == "XSCREENSAVER_WINDOW=" || name == "XDG_CONFIG_HOME=") return true;
    for (const std::string& e : env) {
      if (e.rfind(name, 0) == 0) return true;
    }
    return false;
  };
  for (char** e = environ; *e != nullptr; ++e) {
    if (!replaced(*e)) environment.push_back(*e);
  }
  bool ownConfigHome = false;
  for (const std::string& e : env) ownConfigHome = ownConfigHome || e.rfind("XDG_CONFIG_HOME=", 0) == 0;
  if (!ownConfigHome) environment.push_back("XDG_CONFIG_HOME=" + configHome);
  for (const std::string& e : env) environment.push_back(e);

  std::vector<std::string> argvStore = {ProgramPath()};
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& a : argvStore) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  for (std::string& e : environment) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, child.outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    child.pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return child;
}

bool WaitForExit(pid_t pid, double seconds, int* status) {
  const int steps = static_cast<int>(seconds * 200);
  for (int i = 0; i <= steps; ++i) {
    const pid_t r = waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0) return false;
    SleepSeconds(0.005);
  }
  return false;
}

void KillChild(pid_t pid) {
  if (pid <= 0) return;
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
}

std::string ReadOutput(const Child& child) {
  std::ifstream in(child.outputPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return -WTERMSIG(status);
  return -1000;
}

std::vector<uint32_t> ExpectedFrame(int32_t width, int32_t height, uint32_t count, uint32_t seed,
                                    int32_t ticks, int depth, int32_t scale) {
  FrameRequest request;
  request.width = (width + scale - 1) / scale;
  request.height = (height + scale - 1) / scale;
  request.storedCount = count;
  request.seed = seed;
  request.ticks = ticks;
  request.depth = depth;
  std::vector<uint32_t> frame;
  FrameSink sink{&frame};
  std::string error;
  if (!RenderFramePictures(request, TakeFrame, &sink, &error)) return {};
  if (scale == 1) return frame;
  std::vector<uint32_t> big(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      big[static_cast<size_t>(y) * width + x] =
          frame[static_cast<size_t>(y / scale) * request.width + x / scale];
    }
  }
  return big;
}

std::string PictureCheck::Describe() const {
  std::ostringstream s;
  if (differing < 0) return "the window could not be read";
  s << differing << " pixels differ; the first at (" << firstX << ", " << firstY << "): 0x"
    << std::hex << got << " instead of 0x" << wanted;
  return s.str();
}

PictureCheck CompareWindow(Display* display, Window window, const std::vector<uint32_t>& expected,
                           int32_t width, int32_t height, Aside aside) {
  PictureCheck check;
  std::vector<uint32_t> colours;
  int bits[3];
  if (expected.size() != static_cast<size_t>(width) * height ||
      !ReadWindowColours(display, window, width, height, &colours, bits)) {
    return check;
  }
  check.differing = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      const uint32_t wanted = AtPrecision(expected[i], bits);
      if (AtPrecision(colours[i], bits) == wanted) continue;
      if (x >= aside.left && x < aside.right && y >= aside.top && y < aside.bottom) {
        ++check.differingInside;
        continue;
      }
      if (check.differing++ == 0) {
        check.firstX = x;
        check.firstY = y;
        check.got = colours[i];
        check.wanted = wanted;
      }
    }
  }
  check.equal = check.differing == 0;
  return check;
}

PictureCheck WaitForPicture(Display* display, Window window, const std::vector<uint32_t>& expected,
                            int32_t width, int32_t height, double seconds) {
  PictureCheck check;
  const int tries = static_cast<int>(seconds * 10) + 1;
  for (int i = 0; i < tries; ++i) {
    check = CompareWindow(display, window, expected, width, height);
    if (check.equal) return check;
    SleepSeconds(0.1);
  }
  return check;
}

bool SaveWindow(Display* display, Window window, const std::string& path) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, window, &a)) return false;
  std::vector<uint32_t> colours;
  int bits[3];
  if (!ReadWindowColours(display, window, a.width, a.height, &colours, bits)) return false;
  return WriteRgbPng(path, colours.data(), a.width, a.height);
}

Window MakeTestWindow(Display* display, int32_t width, int32_t height, Visual* visual, int depth,
                      Colormap colormap) {
  const int screen = DefaultScreen(display);
  XSetWindowAttributes set;
  unsigned long mask = CWBackPixel | CWBorderPixel | CWOverrideRedirect;
  set.background_pixel = 0;
  set.border_pixel = 0;
  set.override_redirect = True;
  if (visual == nullptr) {
    visual = DefaultVisual(display, screen);
    depth = DefaultDepth(display, screen);
  }
  if (colormap != None) {
    set.colormap = colormap;
    mask |= CWColormap;
  }
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                    static_cast<unsigned>(height), 0, depth, InputOutput, visual, mask, &set);
  XMapRaised(display, window);
  XSync(display, False);
  return window;
}

Visual* FindVisual(Display* display, int visualClass, int depth) {
  XVisualInfo wanted;
  wanted.screen = DefaultScreen(display);
  wanted.c_class = visualClass;
  wanted.depth = depth;
  int n = 0;
  XVisualInfo* found =
      XGetVisualInfo(display, VisualScreenMask | VisualClassMask | VisualDepthMask, &wanted, &n);
  Visual* visual = n > 0 ? found[0].visual : nullptr;
  if (found != nullptr) XFree(found);
  return visual;
}

Window FindWindowNamed(Display* display, const char* name, double seconds) {
  const int tries = static_cast<int>(seconds * 20) + 1;
  for (int i = 0; i < tries; ++i) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
      for (unsigned k = 0; k < count && found == None; ++k) {
        char* title = nullptr;
        if (XFetchName(display, children[k], &title) && title != nullptr) {
          if (std::strcmp(title, name) == 0) found = children[k];
          XFree(title);
        }
      }
      if (children != nullptr) XFree(children);
    }
    if (found != None) return found;
    SleepSeconds(0.05);
  }
  return None;
}

int CountTopLevelWindows(Display* display) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return -1;
  if (children != nullptr) XFree(children);
  return static_cast<int>(count);
}

int SharedSegmentsOf(pid_t pid) {
  std::ifstream in("/proc/sysvipc/shm");
  std::string line;
  std::getline(in, line);  // the heading
  int n = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long long key, shmid, size, cpid;
    std::string perms;
    if (fields >> key >> shmid >> perms >> size >> cpid && cpid == pid) ++n;
  }
  return n;
}

int SharedSegmentsLeftBy(pid_t pid) {
  int left = SharedSegmentsOf(pid);
  for (int i = 0; i < 100 && left > 0; ++i) {
    SleepSeconds(0.02);
    left = SharedSegmentsOf(pid);
  }
  return left;
}

std::vector<uint32_t> ReadWindow(Display* display, Window window, int32_t width, int32_t height) {
  std::vector<uint32_t> colours;
  int bits[3];
  if (!ReadWindowColours(display, window, width, height, &colours, bits)) return {};
  for (uint32_t& c : colours) c = AtPrecision(c, bits);
  return colours;
}

namespace {

struct TickSearch {
  const std::vector<uint32_t>* pixels;
  TickRange found;
};

bool MatchTick(const FramePicture& picture, int32_t tick, void* context) {
  TickSearch* search = static_cast<TickSearch*>(context);
  if (picture.rgb == *search->pixels) {
    if (search->found.first < 0) search->found.first = tick;
    search->found.last = tick;
  }
  return true;
}

}  // namespace

TickRange FindTick(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                   uint32_t count, uint32_t seed, int32_t from, int32_t to) {
  TickSearch search{&pixels, TickRange()};
  if (pixels.empty() || from < 1 || to < from) return search.found;
  FrameRequest request;
  request.width = width;
  request.height = height;
  request.storedCount = count;
  request.seed = seed;
  request.ticks = from;
  request.sequence = to - from + 1;
  request.depth = 32;
  std::string error;
  if (!RenderFramePictures(request, MatchTick, &search, &error)) return TickRange();
  return search.found;
}

namespace {

// A number field of /proc/PID/status ("VmRSS:", say), -1 when there is none.
long StatusField(pid_t pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name, 0) == 0) return std::atol(line.c_str() + name.size());
  }
  return -1;
}

}  // namespace

long VoluntarySwitches(pid_t pid) { return StatusField(pid, "voluntary_ctxt_switches:"); }

long ResidentKb(pid_t pid) { return StatusField(pid, "VmRSS:"); }

void SleepSeconds(double seconds) {
  timespec t;
  t.tv_sec = static_cast<time_t>(seconds);
  t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
  nanosleep(&t, nullptr);
}
