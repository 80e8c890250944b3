// The frame modes of navanava-render: the stored count read as the settings
// file would be, the 256-colour frame written through the scene palette, the
// PNG files and the refusals.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/render_frames.h"

namespace {

std::vector<FramePicture> Render(const FrameRequest& request) {
  std::vector<FramePicture> pictures;
  std::string error;
  auto keep = [](const FramePicture& p, int32_t, void* c) {
    static_cast<std::vector<FramePicture>*>(c)->push_back(p);
    return true;
  };
  EXPECT_TRUE(RenderFramePictures(request, keep, &pictures, &error)) << error;
  return pictures;
}

FrameRequest Request(uint32_t count, int32_t ticks, int depth = 32) {
  FrameRequest r;
  r.width = 480;
  r.height = 360;
  r.storedCount = count;
  r.seed = 5;
  r.ticks = ticks;
  r.depth = depth;
  return r;
}

TEST(FrameTool, StoredCountIsReadAsTheSettingsFileWouldBe) {
  // The low 8 bits of the stored number, then at most 100 flakes.
  const struct { uint32_t stored, same; } cases[] = {{300, 44}, {255, 100}, {356, 100}, {256, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(Render(Request(c.stored, 2500))[0].rgb, Render(Request(c.same, 2500))[0].rgb) << c.stored;
  }
  EXPECT_NE(Render(Request(100, 2500))[0].rgb, Render(Request(99, 2500))[0].rgb);
}

// With one flake (no far flake, no AND of unlike colours) every pixel of the
// 256-colour frame shows, through the scene palette, the colour of the
// true-colour frame whenever that colour is in the palette: the figure keeps
// its colours, and the flake's others become palette colours.
TEST(FrameTool, PaletteFrameShowsTheFiguresOwnColours) {
  for (int32_t ticks : {395, 410, 430}) {  // the figure on the screen
    const FramePicture rgb = Render(Request(1, ticks, 32))[0];
    const FramePicture indexed = Render(Request(1, ticks, 8))[0];
    ASSERT_EQ(indexed.palette.size(), 256u);
    ASSERT_EQ(indexed.indices.size(), rgb.rgb.size());
    size_t exact = 0, nonBlack = 0;
    for (size_t i = 0; i < rgb.rgb.size(); ++i) {
      const uint32_t shown = indexed.palette[indexed.indices[i]];
      bool inPalette = false;
      for (uint32_t c : indexed.palette) inPalette |= c == rgb.rgb[i];
      if (inPalette) {
        ASSERT_EQ(shown, rgb.rgb[i]) << "pixel " << i % 480 << ", " << i / 480 << " at tick " << ticks;
        ++exact;
      }
      nonBlack += rgb.rgb[i] != 0;
    }
    EXPECT_GT(nonBlack, 10000u) << "the figure is in the frame";
    EXPECT_GT(exact, rgb.rgb.size() * 99 / 100);
  }
}

// A PNG file's size, whether it is palette-based, and its pixels as RGB.
struct PngFile {
  png_uint_32 width = 0, height = 0;
  bool indexed = false;
  std::vector<uint8_t> rgb;
};

bool ReadPng(const std::string& path, PngFile* file) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  file->width = image.width;
  file->height = image.height;
  file->indexed = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
  image.format = PNG_FORMAT_RGB;
  file->rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, file->rgb.data(), 0, nullptr) != 0;
}

TEST(FrameTool, WritesPngFilesAndNumbersASequence) {
  char dir[] = "/tmp/navanava-frames-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string base = std::string(dir) + "/frame.png";
  const char* argv[] = {"navanava-render", "--width", "320", "--height", "240", "--count", "3",
                        "--seed", "9", "--ticks", "100", "--sequence", "3", "--step", "5",
                        "--depth", "8", "--out", base.c_str()};
  EXPECT_EQ(RunFrameTool(static_cast<int>(std::size(argv)), const_cast<char**>(argv)), 0);
  FrameRequest r = Request(3, 110, 8);
  r.width = 320;
  r.height = 240;
  r.seed = 9;
  const FramePicture last = Render(r)[0];
  for (int k = 1; k <= 3; ++k) {
    const std::string path = std::string(dir) + "/frame-000" + std::to_string(k) + ".png";
    PngFile png;
    ASSERT_TRUE(ReadPng(path, &png)) << path;
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 240u);
    EXPECT_TRUE(png.indexed);
    if (k == 3) {
      // Tick 110: the indices through the scene palette.
      for (size_t i = 0; i < last.indices.size(); ++i) {
        const uint32_t c = last.palette[last.indices[i]];
        const uint32_t read = (png.rgb[3 * i] << 16) | (png.rgb[3 * i + 1] << 8) | png.rgb[3 * i + 2];
        ASSERT_EQ(read, c) << i;
      }
    }
    std::remove(path.c_str());
  }
  rmdir(dir);
}

TEST(FrameTool, RefusesWhatItCannotUse) {
  const std::vector<std::vector<const char*>> cases = {
      {"--width", "10", "--out", "x.png"},        {"--depth", "16", "--out", "x.png"},
      {"--ticks", "0", "--out", "x.png"},         {"--count", "-1", "--out", "x.png"},
      {"--seed", "4294967296", "--out", "x.png"}, {"--width", "800"},
      {"--bogus", "--out", "x.png"},              {"--out"},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv{const_cast<char*>("navanava-render")};
    for (const char* a : c) argv.push_back(const_cast<char*>(a));
    FrameRequest request;
    std::string error;
    EXPECT_FALSE(ParseFrameRequest(static_cast<int>(argv.size()), argv.data(), &request, &error)) << c[0];
    EXPECT_FALSE(error.empty());
  }
  FrameRequest request = Request(3, 1);
  request.resourceDir = "/nonexistent";
  request.out = "/tmp/never-written.png";
  std::string error;
  EXPECT_FALSE(RenderFrames(request, &error));
  EXPECT_NE(error.find("nava.bmp"), std::string::npos);
}

}  // namespace
