#include "tools/sprite_files.h"

#include <fstream>
#include <iterator>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool LoadSpriteFiles(const std::string& dir, SaverSprites* sprites, std::string* error) {
  const char* const files[kSpriteCount] = {"nava.bmp", "nava_m.bmp", "ice.bmp", "ice_m.bmp"};
  std::vector<uint8_t> contents[kSpriteCount];
  SpriteResource resources[kSpriteCount];
  for (int k = 0; k < kSpriteCount; ++k) {
    const std::string path = dir + "/" + files[k];
    std::vector<uint8_t>& file = contents[k];
    // A resource is the file without its 14-byte file header.
    if (!ReadWholeFile(path, &file) || file.size() < 14 || file[0] != 'B' || file[1] != 'M') {
      *error = "cannot read the sprite " + path;
      return false;
    }
    resources[k] = SpriteResource{file.data() + 14, file.size() - 14};
  }
  if (!DecodeSaverSprites(resources, sprites)) {
    *error = "the sprites in " + dir + " do not decode to their sizes";
    return false;
  }
  return true;
}
