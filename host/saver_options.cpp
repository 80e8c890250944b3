#include "host/saver_options.h"

#include <cstdio>
#include <cstring>

#include "render/pixel_scale.h"
#include "scene/scene.h"

namespace {

// Stores a checked value in the options record.
typedef void (*StoreOption)(SaverOptions* options, uint32_t value);

void StoreInterval(SaverOptions* o, uint32_t v) {
  o->hasTickInterval = true;
  o->tickIntervalMs = static_cast<int32_t>(v);
}
void StoreFlakes(SaverOptions* o, uint32_t v) {
  o->hasFlakeCount = true;
  o->flakeCount = static_cast<uint8_t>(v);
}
void StoreSeed(SaverOptions* o, uint32_t v) {
  o->hasSeed = true;
  o->seed = v;
}
void StoreTicks(SaverOptions* o, uint32_t v) { o->stopAfterTicks = static_cast<int32_t>(v); }
void StoreScale(SaverOptions* o, uint32_t v) { o->pixelScale = static_cast<int32_t>(v); }
void StoreFps(SaverOptions* o, uint32_t) { o->showFps = true; }

struct OptionRule {
  const char* name;
  bool takesValue;
  uint32_t min, max;
  const char* valueName;
  StoreOption store;
};

const OptionRule kOptions[] = {
    {"interval", true, 0, kMaxOptionTickIntervalMs, "MS", StoreInterval},
    {"flakes", true, 0, kFlakeCapacity, "N", StoreFlakes},
    {"seed", true, 0, 4294967295u, "N", StoreSeed},
    {"ticks", true, 1, kMaxOptionTicks, "N", StoreTicks},
    {"scale", true, 0, kMaxPixelScale, "N", StoreScale},
    {"fps", false, 0, 0, nullptr, StoreFps},
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
    "  --fps           show the pictures per second in the lower left corner\n"
    "  --scale N       pixel size, 1 to 8; 0 picks 2 where the window (X11) or\n"
    "                  output (Wayland) is beyond 2560 device pixels\n"
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
    rule->store(options, 0);
    return OptionStatus::kDone;
  }
  if (value == nullptr) return OptionStatus::kMissingValue;
  uint32_t v = 0;
  if (!ParseDecimal(value, rule->max, &v) || v < rule->min) return OptionStatus::kBadValue;
  rule->store(options, v);
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
