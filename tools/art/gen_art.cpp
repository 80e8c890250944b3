// gen_art: draws the saver's sprites and icon and writes them as resource
// files.
//   gen_art DIR          writes nava.bmp, nava_m.bmp, ice.bmp, ice_m.bmp and
//                        navanava.ico into DIR
//   gen_art --check DIR  draws them again and compares with the files in DIR;
//                        exits 1 naming every file that differs
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tools/art/art.h"

namespace art {

bool DrawArt(ArtSet& set) {
  DrawFigure(set.figure, set.figureMask);
  DrawFlakeStrip(set.figure, set.flakeStrip, set.flakeMaskStrip);
  DrawIcon(set.iconIndices, set.iconOpaque, set.iconTable);

  bool ok = true;
  auto fail = [&ok](const char* why) {
    std::fprintf(stderr, "gen_art: %s\n", why);
    ok = false;
  };
  std::set<uint32_t> colours(std::begin(set.figure.table), std::end(set.figure.table));
  if (colours.size() != 128) fail("the figure's table does not hold 128 distinct colours");
  for (int y = 0; y < set.figure.height; ++y)
    for (int x = 0; x < set.figure.width; ++x)
      if (set.figureMask.At(x, y) == 0 && (x < 2 || x > 253 || y < 2 || y > 146)) {
        fail("the figure reaches into its transparent margin");
        y = set.figure.height;
        break;
      }
  std::set<uint8_t> used(set.flakeStrip.pixels.begin(), set.flakeStrip.pixels.end());
  int foreign = 0;
  for (uint8_t e : used)
    if (!colours.count(set.flakeStrip.table[e])) ++foreign;
  if (used.size() != 6 || foreign != 3)
    fail("the flake strip must use six entries, three of them not in the figure's table");
  return ok;
}

}  // namespace art

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  uint8_t buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (!(argc == 2 && argv[1][0] != '-') && !check) {
    std::fprintf(stderr, "usage: gen_art DIR | gen_art --check DIR\n");
    return 2;
  }
  std::string dir = argv[argc - 1];
  static art::ArtSet set;
  if (!art::DrawArt(set)) return 1;
  int status = 0;
  for (const art::ArtFile& file : art::EncodeArt(set)) {
    std::string path = dir + "/" + file.name;
    if (check) {
      std::vector<uint8_t> stored;
      if (!ReadFile(path, stored) || stored != file.bytes) {
        std::fprintf(stderr, "gen_art: %s differs from what the generator draws\n", path.c_str());
        status = 1;
      }
    } else if (!WriteFile(path, file.bytes)) {
      std::fprintf(stderr, "gen_art: cannot write %s\n", path.c_str());
      status = 1;
    }
  }
  return status;
}
