#pragma once
// The saver's two persisted settings and the operations that move them between
// the process-wide record and the "control.ini" profile file.
#include <cstdint>

struct SceneSettings {
  int32_t tickIntervalMs;  // period of the tick timer; 0 asks for the shortest
  uint8_t flakeCount;      // live entries of the flake table; only 0..100 are used
};

constexpr int32_t kDefaultTickIntervalMs = 10;
constexpr uint8_t kDefaultFlakeCount = 10;

constexpr int kIniFileNameCapacity = 13;      // counts the terminating zero
constexpr int kSettingsSectionCapacity = 22;

extern SceneSettings sceneSettings;
extern char iniFileName[kIniFileNameCapacity];
extern char settingsSection[kSettingsSectionCapacity];

// Keys as fixed code page 932 bytes, whatever the system's own code page:
// "速さ" (speed) and "雪の数" (number of snowflakes).
extern const char kSpeedKey[];
extern const char kFlakeCountKey[];
// The same keys in UTF-8, which the programs outside Windows read as well.
extern const char kSpeedKeyUtf8[];
extern const char kFlakeCountKeyUtf8[];

void LoadSaverStrings();
void ReadSettings();
void WriteSettings();

// Platform seam: implemented by the platform's profile functions on Windows
// and by the portable profile store elsewhere.
uint32_t ReadProfileInt(const char* section, const char* key, uint32_t defaultValue,
                        const char* fileName);
void WriteProfileText(const char* section, const char* key, const char* text,
                      const char* fileName);
// Loads string `id` of the program's string table into `buffer`, cut to
// `capacity` - 1 bytes and always terminated.
void LoadProgramString(unsigned id, char* buffer, int capacity);
