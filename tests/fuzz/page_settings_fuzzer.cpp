// Any stored text and any address parameter: the page reads a number or
// ignores the parameter, never more, and a refused shared option leaves the
// options as they were.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "web/page_settings.h"
#include "scene/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The first line, trimmed and cut, can only shrink what is read.
  const uint32_t number = ReadStoredNumber(text, 10);
  const size_t newline = text.find('\n');
  if (newline != std::string_view::npos && ReadStoredNumber(text.substr(0, newline), 10) != number)
    std::abort();

  // The bytes split into a parameter's name and value at the first '='.
  const size_t eq = text.find('=');
  const std::string_view name = eq == std::string_view::npos ? text : text.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1);
  SaverOptions before;
  ClearSaverOptions(&before);
  before.seed = 99;
  before.hasSeed = true;
  before.stopAfterTicks = 5;
  before.pixelScale = 2;
  SaverOptions options;
  std::memcpy(&options, &before, sizeof options);  // padding included, for the comparison
  const bool taken = ApplyPageOption(&options, name, value);
  if (!taken && std::memcmp(&options, &before, sizeof options) != 0) std::abort();
  if (options.stopAfterTicks < 1 || options.pixelScale < 0 || options.pixelScale > 8) std::abort();
  if (name == "interval" && taken && options.tickIntervalMs != static_cast<int32_t>(ReadStoredNumber(value, 0)))
    std::abort();
  return 0;
}
