// navanava-render: pictures of the saver without Windows.
//
//   navanava-render --sprites DIR [--resources RES] [--scale N]
//       decodes the four sprite resources (RES/nava.bmp, nava_m.bmp, ice.bmp,
//       ice_m.bmp; RES defaults to the source tree's resources/) and writes
//       each as DIR/<name>.png, every pixel enlarged N times (1..16).
//
//   navanava-render --width W --height H --count N --seed S --ticks T
//                   [--depth 8|32] [--sequence K --step E] --out FILE.png
//       the frame that tick T presents (tools/render_frames.h).
//
// Options are parsed into one record; each mode is a function of it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/sprite_decode.h"
#include "tools/png_io.h"
#include "tools/render_frames.h"

#ifndef NAVANAVA_RESOURCE_DIR
#define NAVANAVA_RESOURCE_DIR "resources"
#endif

namespace {

struct RenderOptions {
  const char* spritesDir = nullptr;
  const char* resourceDir = NAVANAVA_RESOURCE_DIR;
  int scale = 1;
};

void Usage() {
  std::fprintf(stderr,
               "usage: navanava-render --sprites DIR [--resources RES] [--scale N]\n");
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  uint8_t buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

// A .bmp file holds the resource behind a 14-byte file header.
bool LoadSpriteFile(const std::string& path, DecodedSprite* sprite) {
  std::vector<uint8_t> file;
  if (!ReadFile(path, &file) || file.size() < 14 || file[0] != 'B' || file[1] != 'M') return false;
  return DecodeSpriteResource(file.data() + 14, file.size() - 14, sprite);
}

bool WriteScaledPng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
                    int height, int scale) {
  std::vector<uint32_t> big(static_cast<size_t>(width) * scale * height * scale);
  for (int y = 0; y < height * scale; ++y)
    for (int x = 0; x < width * scale; ++x)
      big[static_cast<size_t>(y) * width * scale + x] =
          pixels[static_cast<size_t>(y / scale) * width + x / scale];
  return WriteRgbPng(path, big.data(), width * scale, height * scale);
}

int RunSprites(const RenderOptions& options) {
  static const char* const kNames[4] = {"nava", "nava_m", "ice", "ice_m"};
  int status = 0;
  for (const char* name : kNames) {
    std::string in = std::string(options.resourceDir) + "/" + name + ".bmp";
    std::string out = std::string(options.spritesDir) + "/" + name + ".png";
    DecodedSprite sprite;
    if (!LoadSpriteFile(in, &sprite)) {
      std::fprintf(stderr, "navanava-render: cannot decode %s\n", in.c_str());
      status = 1;
      continue;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(sprite.width) * sprite.height);
    ConvertSpriteToRgb32(sprite, pixels.data(), sprite.width);
    if (!WriteScaledPng(out, pixels, sprite.width, sprite.height, options.scale)) {
      std::fprintf(stderr, "navanava-render: cannot write %s\n", out.c_str());
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Without --sprites the options ask for frames.
  bool sprites = false;
  for (int i = 1; i < argc; ++i) sprites = sprites || std::strcmp(argv[i], "--sprites") == 0;
  if (!sprites) return RunFrameTool(argc, argv);
  RenderOptions options;
  // Every option takes one value.
  for (int i = 1; i < argc; i += 2) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) {
      Usage();
      return 2;
    }
    if (std::strcmp(arg, "--sprites") == 0) {
      options.spritesDir = value;
    } else if (std::strcmp(arg, "--resources") == 0) {
      options.resourceDir = value;
    } else if (std::strcmp(arg, "--scale") == 0) {
      options.scale = std::atoi(value);
      if (options.scale < 1 || options.scale > 16) {
        Usage();
        return 2;
      }
    } else {
      Usage();
      return 2;
    }
  }
  if (options.spritesDir) return RunSprites(options);
  Usage();
  return 2;
}
