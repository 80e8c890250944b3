#pragma once
// PNG files through libpng, for the native tools and their tests. Pixels are
// 0x00RRGGBB, top row first.
#include <cstdint>
#include <string>
#include <vector>

// Writes an RGB PNG; false on failure.
bool WriteRgbPng(const std::string& path, const uint32_t* pixels, int width, int height);

// Reads any PNG as RGB (alpha dropped); false on failure.
bool ReadRgbPng(const std::string& path, std::vector<uint32_t>* pixels, int* width, int* height);
