#include "web/page_settings.h"

#include <cstring>
#include <string>

#include "scene/profile_store.h"

namespace {

// The value and the option names are copied into fixed buffers: a shared
// option's value has at most ten digits, so anything longer is refused anyway.
constexpr size_t kOptionTextCapacity = 16;

bool CopyOptionText(std::string_view text, char (&buffer)[kOptionTextCapacity]) {
  if (text.size() >= kOptionTextCapacity || text.find('\0') != std::string_view::npos)
    return false;
  if (!text.empty()) std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return true;
}

}  // namespace

uint32_t ReadStoredNumber(std::string_view text, uint32_t defaultValue) {
  // The text as the one key of a settings file, read by the same reader.
  std::string file = "[v]\nv=";
  file.append(text);
  std::string value;
  if (!FindProfileValue(file, "v", "v", &value)) return defaultValue;
  return ParseProfileInt(value, defaultValue);
}

bool ApplyPageOption(SaverOptions* options, std::string_view name, std::string_view value) {
  if (name == "interval" || name == "flakes") {
    if (value.empty()) return false;
    const uint32_t number = ReadStoredNumber(value, 0);
    if (name == "interval") {
      options->hasTickInterval = true;
      options->tickIntervalMs = static_cast<int32_t>(number);
    } else {
      options->hasFlakeCount = true;
      options->flakeCount = static_cast<uint8_t>(number & 0xFF);
    }
    return true;
  }
  char nameText[kOptionTextCapacity];
  if (!CopyOptionText(name, nameText)) return false;
  if (name == "fps") return ApplySaverOption(options, nameText, nullptr) == OptionStatus::kDone;
  char valueText[kOptionTextCapacity];
  if (!CopyOptionText(value, valueText)) return false;
  // ApplySaverOption leaves the options as they were when it refuses a value.
  return ApplySaverOption(options, nameText, valueText) == OptionStatus::kDone;
}
