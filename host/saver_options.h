#pragma once
// The options that every host outside Windows shares: the native X11
// program reads them from its command line, the web page from its address.
// Given options win over the settings file; options not given leave it be.
#include <cstddef>
#include <cstdint>

struct SaverOptions {
  bool hasTickInterval;
  int32_t tickIntervalMs;  // --interval MS
  bool hasFlakeCount;
  uint8_t flakeCount;      // --flakes N
  bool hasSeed;
  uint32_t seed;           // --seed N: a fixed seed instead of the time
  int32_t stopAfterTicks;  // --ticks N: the picture stops after tick N; 0 runs on
  int32_t pixelScale;      // --scale N; 0 chooses by the window's size
  bool showFps;            // --fps
};

// The limits a given value must respect beyond the scene's own (the flake
// table's kFlakeCapacity, the pixel scale's kMaxPixelScale). The interval
// runs at least at the platform timer's 10 ms whatever is asked.
constexpr int32_t kMaxOptionTickIntervalMs = 1000;
constexpr int32_t kMaxOptionTicks = 2147483647;
// Ticks run at least this far apart, as the Windows timer runs them.
constexpr int32_t kShortestTickIntervalMs = 10;

enum class OptionStatus {
  kDone,          // taken; the value was used when the option takes one
  kUnknown,       // not one of the shared options
  kMissingValue,  // the option takes a value and none was given
  kBadValue,      // the value is not a whole number in the option's range
};

// Nothing given: every field at its "not given" value.
void ClearSaverOptions(SaverOptions* options);

// Whether `name` (without dashes, e.g. "flakes") is a shared option that takes
// a value.
bool SaverOptionTakesValue(const char* name);

// Applies one option. `name` is given without leading dashes; `value` may be
// null for options that take none (and must be non-null otherwise). Values are
// plain decimal digits, no sign, no blanks, within the option's range.
OptionStatus ApplySaverOption(SaverOptions* options, const char* name, const char* value);

// One line saying what the option accepts, e.g. "--flakes takes a whole
// number from 0 to 100". Written to `buffer`, cut to `capacity` - 1 bytes.
void DescribeSaverOption(const char* name, char* buffer, size_t capacity);

// Plain decimal digits (1 to 10 of them), no sign, no blank, at most `max`.
bool ParseDecimal(const char* text, uint32_t max, uint32_t* value);

// The interval the clock really waits between ticks for a setting.
int32_t EffectiveTickIntervalMs(int32_t tickIntervalMs);

// Usage lines of the shared options, for a host's --help.
extern const char kSaverOptionsHelp[];
