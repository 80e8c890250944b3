// Any argument vector for the native program: the input's bytes split at
// zero bytes into arguments. The parse stays inside them, and whatever it
// decides holds: values within their ranges, an error as one printable line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/native_command_line.h"
#include "render/pixel_scale.h"
#include "scene/scene.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Each argument in a buffer of its own, so reading past one is caught.
  std::vector<std::string> pieces(1, "navanava");
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty() || size == 0) pieces.push_back(current);
  std::vector<char*> owned;
  for (const std::string& p : pieces) {
    char* copy = static_cast<char*>(std::malloc(p.size() + 1));
    std::memcpy(copy, p.c_str(), p.size() + 1);
    owned.push_back(copy);
  }
  std::vector<const char*> argv(owned.begin(), owned.end());
  argv.push_back(nullptr);

  // The same arguments for both programs: the X11 one, then the Wayland one.
  for (int program = 0; program < 2; ++program) {
    NativeCommandLine c;
    if (program == 0) {
      ParseNativeCommandLine(static_cast<int>(owned.size()), argv.data(), &c);
    } else {
      ParseWaylandCommandLine(static_cast<int>(owned.size()), argv.data(), &c);
    }
    switch (c.action) {
      case NativeAction::kError: {
        const size_t n = strnlen(c.error, sizeof c.error);
        Check(n > 0 && n < sizeof c.error);
        for (size_t i = 0; i < n; ++i) {
          Check(static_cast<unsigned char>(c.error[i]) >= 0x20 && static_cast<unsigned char>(c.error[i]) < 0x7F);
        }
        break;
      }
      case NativeAction::kRun: {
        const SaverOptions& o = c.options;
        Check(!o.hasTickInterval || (o.tickIntervalMs >= 0 && o.tickIntervalMs <= kMaxOptionTickIntervalMs));
        Check(!o.hasFlakeCount || o.flakeCount <= kFlakeCapacity);
        Check(o.stopAfterTicks >= 0);
        Check(o.pixelScale >= 0 && o.pixelScale <= kMaxPixelScale);
        Check(!c.hasWindowId || c.windowId != 0);
        Check(!c.hasGeometry || (c.width >= 1 && c.width <= kMaxWindowExtent && c.height >= 1 &&
                                 c.height <= kMaxWindowExtent && c.x >= 0 && c.x <= kMaxWindowExtent &&
                                 c.y >= 0 && c.y <= kMaxWindowExtent));
        // The display and output names are among the arguments; each program
        // sets only its own.
        for (const char* name : {c.displayName, c.outputName}) {
          bool found = name == nullptr;
          for (size_t i = 0; i < owned.size() && !found; ++i) {
            found = name >= owned[i] && name <= owned[i] + pieces[i].size();
          }
          Check(found);
        }
        if (program == 0) Check(c.outputName == nullptr && !c.quit && !c.background);
        if (program == 1) Check(c.displayName == nullptr && !c.root && !c.hasWindowId && !c.hasGeometry);
        break;
      }
      case NativeAction::kHelp:
      case NativeAction::kVersion:
        break;
    }
  }
  for (char* p : owned) std::free(p);
  return 0;
}
