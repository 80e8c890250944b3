#include "tools/png_io.h"

#include <png.h>

#include <cstring>

bool WriteRgbPng(const std::string& path, const uint32_t* pixels, int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    rgb[3 * i] = (pixels[i] >> 16) & 0xFF;
    rgb[3 * i + 1] = (pixels[i] >> 8) & 0xFF;
    rgb[3 * i + 2] = pixels[i] & 0xFF;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool ReadRgbPng(const std::string& path, std::vector<uint32_t>* pixels, int* width, int* height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  pixels->resize(static_cast<size_t>(*width) * *height);
  for (size_t i = 0; i < pixels->size(); ++i)
    (*pixels)[i] = static_cast<uint32_t>(rgb[3 * i]) << 16 | static_cast<uint32_t>(rgb[3 * i + 1]) << 8 |
                   rgb[3 * i + 2];
  return true;
}
