#include "host/saver_options.h"

#include <cstdio>
#include <cstring>

namespace {

struct OptionRule {
  const char* name;
  bool takesValue;
  uint32_t min, max;
  const char* valueName;
};

const OptionRule kOptions[] = {
    {"interval", true, 0, kMaxOptionTickIntervalMs, "MS"},
    {"flakes", true, 0, kMaxOptionFlakeCount, "N"},
    {"seed", true, 0, 4294967295u, "N"},
    {"ticks", true, 1, kMaxOptionTicks, "N"},
    {"scale", true, 0, kMaxOptionPixelScale, "N"},
    {"fps", false, 0, 0, nullptr},
};

const OptionRule* FindOption(const char* name) {
  if (name == nullptr) return nullptr;
  for (const OptionRule& rule : kOptions) {
    if (std::strcmp(rule.name, name) == 0) return &rule;
  }
  return nullptr;
}

}  // namespace

const char kSaverOptionsHelp[] =
    "  --interval MS   milliseconds between ticks, 0 to 1000 (below 10 runs at 10)\n"
    "  --flakes N      number of ice flakes, 0 to 100\n"
    "  --fps           show the frame rate in the lower left corner\n"
    "  --scale N       pixel size, 1 to 8; 0 picks 2 for windows beyond 2560 pixels\n"
    "  --seed N        a fixed seed for the flakes instead of the clock\n"
    "  --ticks N       stop the picture after tick N (1 to 2147483647)\n";

void ClearSaverOptions(SaverOptions* options) { std::memset(options, 0, sizeof *options); }

bool SaverOptionTakesValue(const char* name) {
  const OptionRule* rule = FindOption(name);
  return rule != nullptr && rule->takesValue;
}

bool ParseDecimal(const char* text, uint32_t max, uint32_t* value) {
  if (text == nullptr || *text == '\0') return false;
  uint64_t v = 0;
  int digits = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9' || ++digits > 10) return false;
    v = v * 10 + static_cast<uint64_t>(*p - '0');
  }
  if (v > max) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

OptionStatus ApplySaverOption(SaverOptions* options, const char* name, const char* value) {
  const OptionRule* rule = FindOption(name);
  if (rule == nullptr) return OptionStatus::kUnknown;
  if (!rule->takesValue) {
    options->showFps = true;
    return OptionStatus::kDone;
  }
  if (value == nullptr) return OptionStatus::kMissingValue;
  uint32_t v = 0;
  if (!ParseDecimal(value, rule->max, &v) || v < rule->min) return OptionStatus::kBadValue;
  if (rule == &kOptions[0]) {
    options->hasTickInterval = true;
    options->tickIntervalMs = static_cast<int32_t>(v);
  } else if (rule == &kOptions[1]) {
    options->hasFlakeCount = true;
    options->flakeCount = static_cast<uint8_t>(v);
  } else if (rule == &kOptions[2]) {
    options->hasSeed = true;
    options->seed = v;
  } else if (rule == &kOptions[3]) {
    options->stopAfterTicks = static_cast<int32_t>(v);
  } else {
    options->pixelScale = static_cast<int32_t>(v);
  }
  return OptionStatus::kDone;
}

void DescribeSaverOption(const char* name, char* buffer, size_t capacity) {
  if (capacity == 0) return;
  const OptionRule* rule = FindOption(name);
  if (rule == nullptr) {
    std::snprintf(buffer, capacity, "unknown option");
  } else if (!rule->takesValue) {
    std::snprintf(buffer, capacity, "--%s takes no value", rule->name);
  } else {
    std::snprintf(buffer, capacity, "--%s %s takes a whole number from %u to %u", rule->name,
                  rule->valueName, rule->min, rule->max);
  }
}

int32_t EffectiveTickIntervalMs(int32_t tickIntervalMs) {
  return tickIntervalMs < kShortestTickIntervalMs ? kShortestTickIntervalMs : tickIntervalMs;
}
