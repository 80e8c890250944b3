#include "tools/render_frames.h"

#include <png.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "render/compose.h"
#include "render/frame_step.h"
#include "render/saver_sprites.h"
#include "scene/scene.h"
#include "scene/settings.h"
#include "tools/sprite_files.h"

const char kFrameUsage[] =
    "  --width W --height H   screen size in pixels (16..8192; default 1024 x 768)\n"
    "  --count N              stored flake count, read as the settings file would be\n"
    "                         (low 8 bits, then at most 100 used; default 10)\n"
    "  --seed S               seed of the scene's generator (default 1)\n"
    "  --ticks T              write the frame that tick T presents (T >= 1; default 1)\n"
    "  --depth 32|8           true colour, or palette indices written through the\n"
    "                         scene palette as on a 256-colour display (default 32)\n"
    "  --sequence K --step E  K frames, tick T, T+E, ..., named OUT-0001.png ...\n"
    "  --resources DIR        folder of nava.bmp, nava_m.bmp, ice.bmp, ice_m.bmp\n"
    "                         (default: the source tree's resources)\n"
    "  --out FILE.png         where to write\n";

namespace {

bool ParseNumber(const char* text, int64_t low, int64_t high, int64_t* value) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

template <typename Pixel>
struct FrameState {
  std::vector<Pixel> backStore, screenStore;
  PixelBuffer<Pixel> back, screen;

  FrameState(int32_t width, int32_t height) {
    // The back buffer starts black, as CreateBackBuffer leaves it.
    backStore.assign(static_cast<size_t>(width) * height, 0);
    screenStore.assign(backStore.size(), 0);
    back = PixelBuffer<Pixel>{backStore.data(), width, height, width};
    screen = PixelBuffer<Pixel>{screenStore.data(), width, height, width};
  }
};

const SpriteSet<uint32_t>& SpritesFor(const SaverSprites& loaded, uint32_t*) { return loaded.rgb; }
const SpriteSet<uint8_t>& SpritesFor(const SaverSprites& loaded, uint8_t*) { return loaded.indexed; }

template <typename Pixel>
bool RunTicks(const FrameRequest& request, const SaverSprites& loaded,
              bool (*sink)(const FramePicture&, int32_t, void*), void* context) {
  FrameState<Pixel> state(request.width, request.height);
  const SpriteSet<Pixel>& sprites = SpritesFor(loaded, static_cast<Pixel*>(nullptr));
  scene.screenWidth = request.width;
  scene.screenHeight = request.height;
  sceneSettings.flakeCount = static_cast<uint8_t>(request.storedCount);
  InitSceneWithSeed(request.seed);
  static FrameStep step;
  StartFrameStep(&step, request.width, request.height);
  const int32_t frames = request.sequence > 0 ? request.sequence : 1;
  const int64_t last = request.ticks + static_cast<int64_t>(frames - 1) * request.step;
  int32_t next = request.ticks;
  for (int64_t tick = 1; tick <= last; ++tick) {
    StepFrame(&step, state.back, sprites);
    if (tick == next) {
      // What this tick presents: the back buffer right after the compose.
      PresentFrameTo(state.screen, state.back, scene);
      FramePicture picture;
      picture.width = request.width;
      picture.height = request.height;
      if (sizeof(Pixel) == 4) {
        picture.rgb.assign(state.screenStore.begin(), state.screenStore.end());
      } else {
        picture.indices.assign(state.screenStore.begin(), state.screenStore.end());
        picture.palette.assign(loaded.palette.colours, loaded.palette.colours + loaded.palette.count);
      }
      if (!sink(picture, static_cast<int32_t>(tick), context)) return false;
      next += request.step;
    }
  }
  return true;
}

struct WriteContext {
  const FrameRequest* request;
  int32_t written;
  std::string* error;
};

bool WriteOne(const FramePicture& picture, int32_t, void* context) {
  WriteContext* c = static_cast<WriteContext*>(context);
  std::string path = c->request->out;
  if (c->request->sequence > 0) {
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", static_cast<int>(c->written + 1));
    const size_t dot = path.rfind(".png");
    path = dot == std::string::npos ? path + number + ".png" : path.substr(0, dot) + number + ".png";
  }
  ++c->written;
  return WritePng(path, picture, c->error);
}

}  // namespace

bool ParseFrameRequest(int argc, char** argv, FrameRequest* request, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    int64_t n = 0;
    auto number = [&](int64_t low, int64_t high) {
      if (!ParseNumber(value, low, high, &n)) {
        *error = option + " needs a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
      }
      ++i;
      return true;
    };
    if (option == "--width") {
      if (!number(16, 8192)) return false;
      request->width = static_cast<int32_t>(n);
    } else if (option == "--height") {
      if (!number(16, 8192)) return false;
      request->height = static_cast<int32_t>(n);
    } else if (option == "--count") {
      if (!number(0, UINT32_MAX)) return false;
      request->storedCount = static_cast<uint32_t>(n);
    } else if (option == "--seed") {
      if (!number(0, UINT32_MAX)) return false;
      request->seed = static_cast<uint32_t>(n);
    } else if (option == "--ticks") {
      if (!number(1, 10000000)) return false;
      request->ticks = static_cast<int32_t>(n);
    } else if (option == "--depth") {
      if (!number(8, 32) || (n != 8 && n != 32)) {
        *error = "--depth is 8 or 32";
        return false;
      }
      request->depth = static_cast<int>(n);
    } else if (option == "--sequence") {
      if (!number(1, 10000)) return false;
      request->sequence = static_cast<int32_t>(n);
    } else if (option == "--step") {
      if (!number(1, 100000)) return false;
      request->step = static_cast<int32_t>(n);
    } else if (option == "--resources" || option == "--out") {
      if (value == nullptr) {
        *error = option + " needs a value";
        return false;
      }
      (option == "--out" ? request->out : request->resourceDir) = value;
      ++i;
    } else {
      *error = "unknown option " + option;
      return false;
    }
  }
  if (request->out.empty()) {
    *error = "--out FILE.png is needed";
    return false;
  }
  return true;
}

bool RenderFramePictures(const FrameRequest& request,
                         bool (*sink)(const FramePicture&, int32_t, void*), void* context,
                         std::string* error) {
  static SaverSprites loaded;
  std::string dir = request.resourceDir;
#ifdef NAVANAVA_RESOURCE_DIR
  if (dir.empty()) dir = NAVANAVA_RESOURCE_DIR;
#endif
  if (!LoadSpriteFiles(dir, &loaded, error)) return false;
  return request.depth == 8 ? RunTicks<uint8_t>(request, loaded, sink, context)
                            : RunTicks<uint32_t>(request, loaded, sink, context);
}

bool RenderFrames(const FrameRequest& request, std::string* error) {
  WriteContext context{&request, 0, error};
  return RenderFramePictures(request, WriteOne, &context, error);
}

bool WritePng(const std::string& path, const FramePicture& picture, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    *error = "cannot write " + path;
    return false;
  }
  png_init_io(png, file);
  const bool indexed = !picture.indices.empty();
  png_set_IHDR(png, info, picture.width, picture.height, 8,
               indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) {
    png_color colours[256] = {};
    for (size_t i = 0; i < picture.palette.size() && i < 256; ++i) {
      colours[i].red = static_cast<png_byte>(picture.palette[i] >> 16);
      colours[i].green = static_cast<png_byte>(picture.palette[i] >> 8);
      colours[i].blue = static_cast<png_byte>(picture.palette[i]);
    }
    png_set_PLTE(png, info, colours, 256);
  }
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(picture.width) * 3);
  for (int32_t y = 0; y < picture.height; ++y) {
    const size_t start = static_cast<size_t>(y) * picture.width;
    if (indexed) {
      png_write_row(png, const_cast<png_byte*>(&picture.indices[start]));
      continue;
    }
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint32_t p = picture.rgb[start + x];
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  const bool closed = std::fclose(file) == 0;
  if (!closed) *error = "cannot write " + path;
  return closed;
}

int RunFrameTool(int argc, char** argv) {
  FrameRequest request;
  std::string error;
  if (!ParseFrameRequest(argc, argv, &request, &error) || !RenderFrames(request, &error)) {
    std::fprintf(stderr, "navanava-render: %s\nframe options:\n%s", error.c_str(), kFrameUsage);
    return 2;
  }
  return 0;
}
