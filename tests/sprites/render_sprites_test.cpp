// navanava-render --sprites: every PNG holds its decoded sprite pixel for
// pixel, enlarged as asked; bad command lines and missing files fail.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/sprite_decode.h"
#include "tools/png_io.h"

namespace {

// A scratch directory removed again with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/navanava-render-XXXXXX";
    path_ = mkdtemp(name) ? name : "";
  }
  ~ScratchDir() {
    for (const char* f : {"nava.png", "nava_m.png", "ice.png", "ice_m.png"})
      std::remove((path_ + "/" + f).c_str());
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

int RunRender(const std::string& arguments) {
  std::string command = std::string(NAVANAVA_RENDER) + " " + arguments + " 2>/dev/null";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DecodedSprite Decode(const char* name) {
  std::string path = std::string(NAVANAVA_RESOURCE_DIR) + "/" + name + ".bmp";
  std::vector<uint8_t> file;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) file.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  DecodedSprite sprite;
  EXPECT_TRUE(file.size() > 14 && DecodeSpriteResource(file.data() + 14, file.size() - 14, &sprite))
      << path;
  return sprite;
}

TEST(RenderSprites, WritesEachDecodedSpriteAtTheAskedScale) {
  for (int scale : {1, 3}) {
    ScratchDir dir;
    ASSERT_FALSE(dir.path().empty());
    ASSERT_EQ(RunRender("--sprites " + dir.path() + " --scale " + std::to_string(scale)), 0);
    for (const char* name : {"nava", "nava_m", "ice", "ice_m"}) {
      SCOPED_TRACE(std::string(name) + " at scale " + std::to_string(scale));
      DecodedSprite sprite = Decode(name);
      std::vector<uint32_t> expected(sprite.indices.size());
      ConvertSpriteToRgb32(sprite, expected.data(), sprite.width);
      std::vector<uint32_t> png;
      int width = 0, height = 0;
      ASSERT_TRUE(ReadRgbPng(dir.path() + "/" + name + ".png", &png, &width, &height));
      ASSERT_EQ(width, sprite.width * scale);
      ASSERT_EQ(height, sprite.height * scale);
      int differences = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          differences += png[y * width + x] != expected[(y / scale) * sprite.width + x / scale];
      EXPECT_EQ(differences, 0);
    }
  }
}

TEST(RenderSprites, RefusesBadCommandLinesAndMissingFiles) {
  ScratchDir dir;
  EXPECT_EQ(RunRender(""), 2);
  EXPECT_EQ(RunRender("--sprites"), 2);
  EXPECT_EQ(RunRender("--frames " + dir.path()), 2);
  EXPECT_EQ(RunRender("--sprites " + dir.path() + " --scale 0"), 2);
  EXPECT_EQ(RunRender("--sprites " + dir.path() + " --scale 17"), 2);
  EXPECT_EQ(RunRender("--sprites " + dir.path() + " --resources /nonexistent"), 1);
  EXPECT_EQ(RunRender("--sprites /nonexistent/dir"), 1);
}

}  // namespace
