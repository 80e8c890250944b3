#pragma once
// The sprite set read from bitmap files instead of the copies built into the
// programs: for the tools and tests that are pointed at a resource folder.
#include <cstdint>
#include <string>
#include <vector>

#include "render/saver_sprites.h"

// Decodes DIR/nava.bmp, nava_m.bmp, ice.bmp and ice_m.bmp into `sprites`.
// False with a message naming the file when one cannot be read, is not a
// bitmap file, or does not decode to its sprite's size.
bool LoadSpriteFiles(const std::string& dir, SaverSprites* sprites, std::string* error);

// The whole file at `path`; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
